#include "records/ui/sales_charts.h"

#include "text/number_text.h"
#include "users/ui/session.h"
#include "widgets/ui_services.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QComboBox>
#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPushButton>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTickPixels = 12;
constexpr int kSmallestTickPixels = 9;

}  // namespace

SalesChart::SalesChart(const QString& title, int xMax, const QString& unit, const QColor& barColour,
                       QWidget* parent)
    : QChartView(parent), m_xMax(xMax), m_unit(unit) {
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
    connect(m_series, &QBarSeries::hovered, this, [this](bool over, int index) {
        if (!over) {
            QToolTip::hideText();
            return;
        }
        for (const ChartPoint& p : std::as_const(m_points))
            if (p.x == index)
                QToolTip::showText(QCursor::pos(), QString::number(p.x) + m_unit + QStringLiteral("：") + twoDecimalText(p.y),
                                   this);
    });

    // Slots 1..xMax, each bar in the middle of its slot, so the first and the last bar stand whole.
    // Labels are placed by hand: the value axis's printf-like format cannot carry "月" or "日".
    auto* axisX = new QCategoryAxis;
    axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axisX->setStartValue(0);
    for (int x = 1; x <= xMax; ++x)
        axisX->append(QString::number(x) + unit, x);
    axisX->setRange(0.5, xMax + 0.5);
    // Its labels are drawn here, so that each keeps its whole text however narrow the slots.
    axisX->setLabelsVisible(false);
    axisX->setGridLineVisible(false);
    axisX->setMinorGridLineVisible(false);
    m_axisX = axisX;
    m_axisY = new QValueAxis;
    m_axisY->setGridLineVisible(false);
    m_axisY->setMinorGridLineVisible(false);
    m_axisY->setRange(0, 1);
    m_axisY->setTickCount(6);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    setChart(chart);
    for (int x = 1; x <= xMax; ++x) {
        auto* tick = new QGraphicsSimpleTextItem(QString::number(x) + unit, chart);
        tick->setBrush(QColor(60, 60, 60));
        m_ticks << tick;
    }
    setRenderHint(QPainter::Antialiasing);
    connect(chart, &QChart::plotAreaChanged, this, [this] { placeLabels(); });
    setPoints({});
}

QString SalesChart::title() const { return chart()->title(); }

void SalesChart::setPoints(const QVector<ChartPoint>& points) {
    m_points.clear();
    // One value per slot of the fixed axis; slots without a row stay at zero height.
    QList<qreal> values(m_xMax + 1, 0.0);
    double low = 0, high = 0;
    for (const ChartPoint& p : points) {
        if (p.x < 1 || p.x > m_xMax)
            continue;
        m_points << p;
        values[p.x] = p.y;
        low = std::min(low, p.y);
        high = std::max(high, p.y);
    }
    m_bars->remove(0, m_bars->count());
    m_bars->append(values);
    qDeleteAll(m_labels);
    m_labels.clear();
    for (const ChartPoint& p : std::as_const(m_points)) {
        auto* label = new QGraphicsSimpleTextItem(twoDecimalText(p.y), chart());
        label->setBrush(QColor(60, 60, 60));
        label->setZValue(10);
        m_labels << label;
    }
    if (high == low)
        high = low + 1;
    const double span = high - low;
    setValueRange(low < 0 ? low - span * 0.05 : 0, high + span * 0.05);
    placeLabels();
}

void SalesChart::setValueRange(double low, double high) {
    // Ticks at round figures from 0, about five of them, whatever the range's own ends; labels in
    // plain figures with as many decimals as the step needs, never the exponent form.
    const double rough = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * magnitude >= rough) {
            step = f * magnitude;
            break;
        }
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0);
    m_axisY->setTickInterval(step);
    m_axisY->setRange(low, high);
    const int decimals = step >= 1 ? 0 : std::min(6, int(std::ceil(-std::log10(step) - 1e-9)));
    m_axisY->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

QFont SalesChart::slotFont(const QStringList& texts, double slot, bool* upright, double* widest) const {
    QFont f = font();
    for (int pixels = kTickPixels; pixels >= kSmallestTickPixels; --pixels) {
        f.setPixelSize(pixels);
        const QFontMetricsF metrics(f);
        *widest = 0;
        for (const QString& text : texts)
            *widest = std::max(*widest, metrics.horizontalAdvance(text));
        if (*widest + 4 <= slot) {
            *upright = false;
            return f;
        }
    }
    *upright = true;
    f.setPixelSize(kTickPixels - 1);
    *widest = 0;
    for (const QString& text : texts)
        *widest = std::max(*widest, QFontMetricsF(f).horizontalAdvance(text));
    return f;
}

void SalesChart::place(QGraphicsSimpleTextItem* text, const QFont& font, bool upright, const QPointF& at,
                       bool below) {
    text->setFont(font);
    const QRectF box = text->boundingRect();
    if (upright) {
        // Read from the bottom up, starting just beyond `at`.
        text->setRotation(-90);
        text->setPos(at.x() - box.height() / 2, below ? at.y() + 3 + box.width() : at.y() - 3);
    } else {
        text->setRotation(0);
        text->setPos(at.x() - box.width() / 2, below ? at.y() + 3 : at.y() - 3 - box.height());
    }
}

void SalesChart::placeLabels() {
    const QRectF plot = chart()->plotArea();
    if (m_placing || plot.width() <= 0 || plot.height() <= 0)
        return;
    m_placing = true;
    const double slot = plot.width() / m_xMax;
    // Every day keeps its label, as do the amounts: in a smaller font where side by side they would
    // run into each other, upright only where even that is too wide.
    bool uprightTicks = false;
    double widestTick = 0;
    QStringList tickTexts;
    for (QGraphicsSimpleTextItem* tick : std::as_const(m_ticks))
        tickTexts << tick->text();
    const QFont tickFont = slotFont(tickTexts, slot, &uprightTicks, &widestTick);
    const double tickHeight = QFontMetricsF(tickFont).height();
    const int foot = int(std::ceil((uprightTicks ? widestTick : tickHeight) + 8));
    if (chart()->margins().bottom() != foot) {
        QMargins margins = chart()->margins();
        margins.setBottom(foot);
        chart()->setMargins(margins);
        m_placing = false;
        // Once the plot has its new size.
        QMetaObject::invokeMethod(this, [this] { placeLabels(); }, Qt::QueuedConnection);
        return;
    }
    for (int i = 0; i < m_ticks.size(); ++i)
        place(m_ticks[i], tickFont, uprightTicks, chart()->mapToPosition(QPointF(i + 1, m_axisY->min()), m_series),
              true);

    QStringList values;
    for (QGraphicsSimpleTextItem* label : std::as_const(m_labels))
        values << label->text();
    bool upright = false;
    double widest = 0;
    const QFont valueFont = slotFont(values, slot, &upright, &widest);
    const double reach = (upright ? widest : QFontMetricsF(valueFont).height()) + 4;  // how far a text stands out beyond its bar

    // Room inside the plot for the text beyond the highest (and the lowest) bar.
    double low = 0, high = 0;
    for (const ChartPoint& p : std::as_const(m_points)) {
        low = std::min(low, p.y);
        high = std::max(high, p.y);
    }
    const double usable = plot.height() - reach;
    if (!m_points.isEmpty() && usable > plot.height() / 4) {
        const double span = (high - low) * plot.height() / usable;
        const double top = high > 0 ? low + span : m_axisY->max();
        const double bottom = low < 0 ? high - span : m_axisY->min();
        if (top > m_axisY->max() + 1e-9 || bottom < m_axisY->min() - 1e-9)
            setValueRange(std::min(bottom, m_axisY->min()), std::max(top, m_axisY->max()));
    }

    for (int i = 0; i < m_labels.size(); ++i)
        place(m_labels[i], valueFont, upright, chart()->mapToPosition(QPointF(m_points[i].x, m_points[i].y), m_series),
              m_points[i].y < 0);
    m_placing = false;
}

SalesStatisticsTab::SalesStatisticsTab(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session) {
    setObjectName(QStringLiteral("SalesStatistics"));
    m_monthChart = new SalesChart(QStringLiteral("月销售报表统计"), 12, QStringLiteral("月"), QColor(255, 255, 0), this);
    m_monthChart->setObjectName(QStringLiteral("MonthChart"));
    m_dayChart = new SalesChart(QStringLiteral("日销售报表统计"), 31, QStringLiteral("日"), QColor(255, 128, 64), this);
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

