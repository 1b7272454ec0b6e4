#include "records/ui/sales_charts.h"

#include "users/ui/session.h"
#include "widgets/ui_services.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

SalesChart::SalesChart(const QString& title, int xMax, const QString& unit, const QColor& barColour,
                       QWidget* parent)
    : QChartView(parent), m_xMax(xMax) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPixelSize(14);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(Qt::white);
    // The title stands on a band of blue that fades into the white of the plot.
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(24, 70, 150));
    background.setColorAt(0.11, QColor(70, 130, 200));
    background.setColorAt(0.16, QColor(235, 242, 250));
    background.setColorAt(1, Qt::white);
    chart->setBackgroundBrush(background);
    chart->setBackgroundRoundness(0);
    chart->legend()->hide();
    chart->setMargins(QMargins(6, 4, 10, 4));

    m_series = new QBarSeries;
    m_bars = new QBarSet(title);
    m_bars->setColor(barColour);
    m_bars->setBorderColor(barColour.darker(150));
    m_series->append(m_bars);
    m_series->setBarWidth(0.45);  // in units of the bottom axis: a little under half a month or day
    chart->addSeries(m_series);

    // The value of each bar, written above it by an invisible mark.
    m_marks = new QScatterSeries;
    m_marks->setMarkerSize(22);
    m_marks->setColor(Qt::transparent);
    m_marks->setBorderColor(Qt::transparent);
    m_marks->setPointLabelsVisible(true);
    m_marks->setPointLabelsFormat(QStringLiteral("@yPoint"));
    m_marks->setPointLabelsColor(QColor(60, 60, 60));
    m_marks->setPointLabelsClipping(false);
    chart->addSeries(m_marks);

    // Labels are placed by hand: the value axis's printf-like format cannot carry "月" or "日".
    auto* axisX = new QCategoryAxis;
    axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axisX->setStartValue(-1);
    const int step = xMax <= 12 ? 1 : 2;
    for (int x = 0; x <= xMax; x += step)
        axisX->append(QString::number(x) + unit, x);
    axisX->setRange(0, xMax);
    axisX->setGridLineVisible(false);
    axisX->setMinorGridLineVisible(false);
    m_axisX = axisX;
    m_axisY = new QValueAxis;
    m_axisY->setGridLineVisible(false);
    m_axisY->setMinorGridLineVisible(false);
    m_axisY->setLabelFormat(QStringLiteral("%.6g"));
    m_axisY->setRange(0, 1);
    m_axisY->setTickCount(6);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(m_series), static_cast<QAbstractSeries*>(m_marks)}) {
        series->attachAxis(m_axisX);
        series->attachAxis(m_axisY);
    }
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setPoints({});
}

QString SalesChart::title() const { return chart()->title(); }

void SalesChart::setPoints(const QVector<ChartPoint>& points) {
    m_points = points;
    // One value per slot of the fixed axis; slots without a row stay at zero height.
    QList<qreal> values(m_xMax + 1, 0.0);
    QList<QPointF> marks;
    double low = 0, high = 0;
    for (const ChartPoint& p : points) {
        if (p.x < 0 || p.x > m_xMax)
            continue;
        values[p.x] = p.y;
        marks << QPointF(p.x, p.y);
        low = std::min(low, p.y);
        high = std::max(high, p.y);
    }
    m_bars->remove(0, m_bars->count());
    m_bars->append(values);
    m_marks->replace(marks);
    if (high == low)
        high = low + 1;
    const double span = high - low;
    m_axisY->setRange(low < 0 ? low - span * 0.12 : 0, high + span * 0.18);
    m_axisY->applyNiceNumbers();
}

SalesStatisticsTab::SalesStatisticsTab(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session) {
    setObjectName(QStringLiteral("SalesStatistics"));
    m_monthChart = new SalesChart(QStringLiteral("月销售报表统计"), 12, QStringLiteral("月"), QColor(255, 255, 0), this);
    m_monthChart->setObjectName(QStringLiteral("MonthChart"));
    m_dayChart = new SalesChart(QStringLiteral("日销售报表统计"), 32, QStringLiteral("日"), QColor(255, 128, 64), this);
    m_dayChart->setObjectName(QStringLiteral("DayChart"));

    auto list = [this](const QString& name, int width) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFixedWidth(width);
        return box;
    };
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setFixedSize(100, 28);
        return b;
    };
    m_monthYear = list(QStringLiteral("ComboBox1"), 80);
    m_dayYear = list(QStringLiteral("ComboBox3"), 80);
    m_dayMonth = list(QStringLiteral("ComboBox2"), 80);
    for (int m = 1; m <= 12; ++m)
        m_dayMonth->addItem(QString::number(m));
    QPushButton* monthProfit = m_monthProfit = button(QStringLiteral("Button1"), QStringLiteral("查询利润"));
    QPushButton* monthAmount = button(QStringLiteral("Button13"), QStringLiteral("查询销售额"));
    QPushButton* dayProfit = button(QStringLiteral("Button2"), QStringLiteral("查询利润"));
    QPushButton* dayAmount = button(QStringLiteral("Button14"), QStringLiteral("查询销售额"));

    auto controls = [this](std::initializer_list<std::pair<QComboBox*, QString>> lists,
                           std::initializer_list<QPushButton*> buttons) {
        auto* box = new QWidget(this);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(8, 24, 8, 8);
        grid->setVerticalSpacing(10);
        int row = 0;
        for (const auto& [combo, caption] : lists) {
            grid->addWidget(combo, row, 0);
            grid->addWidget(new QLabel(caption, box), row++, 1);
        }
        for (QPushButton* b : buttons)
            grid->addWidget(b, row++, 0, 1, 2);
        grid->setRowStretch(row, 1);
        box->setFixedWidth(150);
        return box;
    };
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_monthChart, 0, 0);
    layout->addWidget(controls({{m_monthYear, QStringLiteral("年")}}, {monthProfit, monthAmount}), 0, 1);
    layout->addWidget(m_dayChart, 1, 0);
    layout->addWidget(controls({{m_dayYear, QStringLiteral("年")}, {m_dayMonth, QStringLiteral("月份")}},
                               {dayProfit, dayAmount}),
                      1, 1);

    connect(monthProfit, &QPushButton::clicked, this, [this] { runMonthQuery(StatisticsMeasure::Profit); });
    connect(monthAmount, &QPushButton::clicked, this, [this] { runMonthQuery(StatisticsMeasure::Amount); });
    connect(dayProfit, &QPushButton::clicked, this, [this] { runDayQuery(StatisticsMeasure::Profit); });
    connect(dayAmount, &QPushButton::clicked, this, [this] { runDayQuery(StatisticsMeasure::Amount); });
}

void SalesStatisticsTab::setPeriod(const QDate& today) {
    int earliest = 0;
    runAction(this, [&] { earliest = earliestSaleYear(m_session.database()); });
    const QStringList years = statisticsYears(earliest, today.year());
    for (QComboBox* box : {m_monthYear, m_dayYear}) {
        box->clear();
        box->addItems(years);
        box->setCurrentText(QString::number(today.year()));
    }
    m_dayMonth->setCurrentText(QString::number(today.month()));
}

void SalesStatisticsTab::runProfitQueries() {
    runMonthQuery(StatisticsMeasure::Profit);
    runDayQuery(StatisticsMeasure::Profit);
}

void SalesStatisticsTab::runQuery(std::unique_ptr<Dataset>& query, SalesChart* chart, const QString& name,
                                  const SalesStatement& statement) {
    // Until the query succeeds the chart shows nothing: never the bars of another period.
    chart->setPoints({});
    runAction(this, [&] {
        query = std::make_unique<Dataset>(name, QString(), &m_session.database());
        query->setStatement(statement.sql, statement.params);
        chart->setPoints(chartPoints(*query));
    });
}

void SalesStatisticsTab::runMonthQuery(StatisticsMeasure measure) {
    int year = 0;
    QString problem;
    if (!statisticsYear(m_monthYear->currentText(), &year, &problem)) {
        m_monthChart->setPoints({});
        showMessage(this, QStringLiteral("Warning"), problem, QMessageBox::Warning);
        return;
    }
    runQuery(m_monthQuery, m_monthChart, QStringLiteral("MonthQuery"), monthStatisticsStatement(measure, year));
}

void SalesStatisticsTab::runDayQuery(StatisticsMeasure measure) {
    int year = 0, month = 0;
    QString problem;
    if (!statisticsYear(m_dayYear->currentText(), &year, &problem) ||
        !statisticsMonth(m_dayMonth->currentText(), &month, &problem)) {
        m_dayChart->setPoints({});
        showMessage(this, QStringLiteral("Warning"), problem, QMessageBox::Warning);
        return;
    }
    runQuery(m_dayQuery, m_dayChart, QStringLiteral("DayQuery"), dayStatisticsStatement(measure, year, month));
}

void SalesStatisticsTab::closeQueries() {
    // The connection may have been replaced since (the backup reopens it): start afresh next time.
    m_monthQuery.reset();
    m_dayQuery.reset();
}

void SalesStatisticsTab::hideCharts(const QStringList& titles) {
    for (SalesChart* chart : {m_monthChart, m_dayChart})
        if (titles.contains(chart->title()))
            chart->hide();
}
