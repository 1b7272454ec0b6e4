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
class QGraphicsSimpleTextItem;
class QPushButton;
class QValueAxis;

// SalesChart: a bar chart with a fixed bottom axis of slots 1..`xMax` labelled "<n>" + `unit`, each
// bar whole with its value as a two-decimal amount at its end, the value axis in plain numbers, no
// legend and no grid lines. Where the slots are too narrow for the texts, the labels stand upright.
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
    // The value texts at the bars' ends, in the order of the points.
    QList<QGraphicsSimpleTextItem*> valueLabels() const { return m_labels; }

private:
    // Puts the value texts at their bars and keeps room for them inside the plot.
    void placeLabels();
    // The largest font (down to a smallest) in which `texts` stand side by side in slots `slot`
    // wide; the upright font when none does. `widest` gets the widest text's width in it.
    QFont slotFont(const QStringList& texts, double slot, bool* upright, double* widest) const;
    // Puts a text centred on `at`, just above it (or below), across or upright.
    static void place(QGraphicsSimpleTextItem* text, const QFont& font, bool upright, const QPointF& at, bool below);
    // The value axis from `low` to `high` with round ticks.
    void setValueRange(double low, double high);

    int m_xMax;
    QString m_unit;
    QVector<ChartPoint> m_points;
    QBarSeries* m_series;
    QBarSet* m_bars;
    QCategoryAxis* m_axisX;
    QValueAxis* m_axisY;
    QList<QGraphicsSimpleTextItem*> m_labels;
    QList<QGraphicsSimpleTextItem*> m_ticks;  // the bottom axis's labels
    bool m_placing = false;
};

class Session;

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
