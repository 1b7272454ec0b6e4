#pragma once
// The sales statistics tab: the month chart and the day chart of net profit or sale amount, each
// with its year (and month) list and its two buttons, each fed by a query of its own.
#include "records/sales_statistics.h"
#include "store/dataset.h"

#include <QChartView>
#include <QWidget>
#include <memory>

class QBarSeries;
class QBarSet;
class QCategoryAxis;
class QComboBox;
class QPushButton;
class QScatterSeries;
class QValueAxis;
class Session;

// SalesChart: a bar chart with a fixed bottom axis 0..`xMax` labelled "<n>" + `unit`, the bars'
// values marked above them, no legend and no grid lines.
class SalesChart : public QChartView {
    Q_OBJECT
public:
    SalesChart(const QString& title, int xMax, const QString& unit, const QColor& barColour,
               QWidget* parent = nullptr);
    void setPoints(const QVector<ChartPoint>& points);
    const QVector<ChartPoint>& points() const { return m_points; }
    QString title() const;
    QCategoryAxis* bottomAxis() const { return m_axisX; }
    QValueAxis* leftAxis() const { return m_axisY; }

private:
    int m_xMax;
    QVector<ChartPoint> m_points;
    QBarSeries* m_series;
    QBarSet* m_bars;
    QScatterSeries* m_marks;
    QCategoryAxis* m_axisX;
    QValueAxis* m_axisY;
};

class SalesStatisticsTab : public QWidget {
    Q_OBJECT
public:
    explicit SalesStatisticsTab(Session& session, QWidget* parent = nullptr);

    // The year lists from 2009 (or the earliest sale) to this year, set to this year; the month
    // list set to this month.
    void setPeriod(const QDate& today);
    // The month query and the day query, both of net profit, with the lists' texts.
    void runProfitQueries();
    void runMonthQuery(StatisticsMeasure measure);
    void runDayQuery(StatisticsMeasure measure);
    // Releases both queries' rows (the charts keep their last picture).
    void closeQueries();
    // Hides the charts whose titles are given (the lists and buttons stay).
    void hideCharts(const QStringList& titles);

    SalesChart* monthChart() const { return m_monthChart; }
    // "查询利润" of the month chart.
    QPushButton* monthProfitButton() const { return m_monthProfit; }
    SalesChart* dayChart() const { return m_dayChart; }
    const Dataset* monthQuery() const { return m_monthQuery.get(); }
    const Dataset* dayQuery() const { return m_dayQuery.get(); }

private:
    Session& m_session;
    void runQuery(std::unique_ptr<Dataset>& query, SalesChart* chart, const QString& name,
                  const SalesStatement& statement);
    QComboBox* m_monthYear;
    QComboBox* m_dayYear;
    QComboBox* m_dayMonth;
    QPushButton* m_monthProfit;
    SalesChart* m_monthChart;
    SalesChart* m_dayChart;
    std::unique_ptr<Dataset> m_monthQuery;
    std::unique_ptr<Dataset> m_dayQuery;
};
