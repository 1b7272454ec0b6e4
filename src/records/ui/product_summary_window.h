#pragma once
// ProductSummaryWindow: the product summary window: purchases, sales and stock summed per product, with grand
// totals, sorting, XLS export and print.
#include "store/dataset.h"

#include <QDialog>

class DataGrid;
class LedgerEvents;
class QAction;
class QLabel;
class QMenu;

class Session;

class ProductSummaryWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProductSummaryWindow(Session& session, QWidget* parent = nullptr);

    // The summary rows the window shows (ADOQuery12), on the session's ledger.
    Dataset& query();

    // Runs the summary query again and moves to the last row, whether or not the window shows.
    void refreshSummary();
    // A sale read again while the window shows (a closed one reads it when it opens); a deleted
    // sale always, since its stock came back.
    void followLedger(LedgerEvents& events);
    // Modal over the main window without blocking the caller (tool button "汇总统计").
    void showModal();
    // Beside the main window (grid menu "汇总统计", Ctrl+H).
    void showNonModal();
    // Hides the columns the logged-in user may not see.
    void applyRights();

    DataGrid* grid() const { return m_grid; }
    QMenu* gridMenu() const { return m_menu; }
    QAction* printItem() const { return m_printItem; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Session& m_session;
    Dataset m_summary{QStringLiteral("ADOQuery12")};
    DataGrid* m_grid;
    QMenu* m_menu;
    QAction* m_printItem;
    QLabel* m_hint;
};
