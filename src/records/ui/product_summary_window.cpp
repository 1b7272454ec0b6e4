#include "records/ui/product_summary_window.h"

#include "exchange/ui/data_grid_export.h"
#include "store/ledger_events.h"
#include "store/query.h"
#include "store/summary_table.h"
#include "users/rights.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/label_tone.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace {
QVector<GridColumn> summaryGridColumns() {
    return gridColumns(summaryColumns(), {{QStringLiteral("商 品 信 息"), kSkyBlueBand},
                                          {QStringLiteral("进 货"), kTealBand},
                                          {QStringLiteral("销 售"), kSkyBlueBand},
                                          {QStringLiteral("存 货"), kMaroonBand}});
}
}  // namespace

ProductSummaryWindow::ProductSummaryWindow(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint),
      m_session(session) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("汇总统计"));
    resize(988, 572);

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("SummaryGrid"));
    m_grid->setColumns(summaryGridColumns());
    m_grid->rememberColumnWidths(QStringLiteral("huizongliekuan"));
    // Before anything fills the grid, and again if the rights are granted later.
    m_session.honourRights(this, [this](const Rights& rights) { m_grid->withholdFields(rights.withheldFields()); });
    m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
    auto* layout = new QVBoxLayout(this);
    // The grid keeps a strip of 35 pixels under it.
    layout->setContentsMargins(0, 0, 0, 35);
    layout->addWidget(m_grid);
    auto* hint = new QLabel(QStringLiteral("点列标题排序；右键可导出Excel或打印"), this);
    hint->setObjectName(QStringLiteral("SummaryHint"));
    setLabelTone(hint, QColor(0x60, 0x60, 0x60), LabelTone::Muted);
    hint->setGeometry(8, height() - 28, 400, 20);
    m_hint = hint;

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* exportItem = m_menu->addAction(QStringLiteral("导出Excel"));
    exportItem->setObjectName(QStringLiteral("SummaryExport"));
    connect(exportItem, &QAction::triggered, this,
            [this] { exportDataGrid(m_session, this, *m_grid, QStringLiteral("商品进销存统计报表")); });
    m_printItem = m_menu->addAction(QStringLiteral("打 印"));
    m_printItem->setObjectName(QStringLiteral("SummaryPrint"));
    m_printItem->setEnabled(false);  // the grid print comes with the printing of grids
    m_grid->view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid->view(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_menu->popup(m_grid->view()->viewport()->mapToGlobal(p)); });
}

Dataset& ProductSummaryWindow::query() { return m_session.onLedger(m_summary); }

void ProductSummaryWindow::refreshSummary() {
    runAction(this, [this] {
        OpenQuery(query(), kSummaryStatement);
        query().last();
    });
    m_grid->clearSortMarks();
    m_grid->setDataset(m_session.hasLedger() ? &query() : nullptr);
}

void ProductSummaryWindow::followLedger(LedgerEvents& events) {
    connect(&events, &LedgerEvents::saleRecorded, this, [this] {
        if (isVisible())
            refreshSummary();
    });
    connect(&events, &LedgerEvents::saleDeleted, this, &ProductSummaryWindow::refreshSummary);
}

void ProductSummaryWindow::showModal() {
    if (isVisible() && !isModal())
        hide();  // open beside the main window: the modality only takes effect on a new show
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void ProductSummaryWindow::showNonModal() {
    if (isVisible() && isModal())
        return;  // already open modally: it stays as it is
    setWindowModality(Qt::NonModal);
    show();
    raise();
    activateWindow();
}

void ProductSummaryWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    applyRights();
    refreshSummary();
}

void ProductSummaryWindow::done(int result) {
    if (m_session.hasLedger())
        query().close();
    m_grid->refresh();
    QDialog::done(result);
}

void ProductSummaryWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_hint->move(8, height() - 28);
}

void ProductSummaryWindow::applyRights() { m_grid->withholdFields(m_session.rights().withheldFields()); }
