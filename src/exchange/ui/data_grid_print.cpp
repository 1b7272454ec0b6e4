#include "exchange/ui/data_grid_print.h"

#include "printing/ui/page_painter.h"
#include "users/ui/session.h"
#include "widgets/data_grid.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QBrush>
#include <QPageLayout>
#include <QPrinter>

GridPrintOptions inventoryGridPrint() {
    return {QStringLiteral("商 品 进 货 统 计 报 表"), kToday1Macro, 2, 70};
}

GridPrintOptions salesGridPrint() { return {QStringLiteral("销 售 统 计 报 表"), kTodayMacro, 1, 1}; }

GridPrintOptions summaryGridPrint() {
    return {QStringLiteral("商 品 进 销 存 统 计 报 表"), kToday1Macro, 2, 70};
}

QString gridMakerLine(const GridPrintOptions& options, const QString& user, const QString& date) {
    const QString line = options.macro + QString(options.blanksAfterMacro, QLatin1Char(' '));
    return substituteMacro(line, options.macro, gridPrintMakerText(user, date));
}

GridPrintTable gridPrintTable(const DataGrid& grid) {
    GridPrintTable table;
    const QList<int> visible = grid.visibleColumns();
    for (int c : visible) {
        const GridColumn& column = grid.columns().at(c);
        GridPrintColumn out;
        out.upper = column.upperTitle;
        out.lower = column.lowerTitle;
        out.width = column.width;
        out.align = column.alignment;
        if (column.band.isValid())
            out.band = column.band.rgba();
        if (column.titleColour.isValid())
            out.titleColour = column.titleColour.rgba();
        table.columns << out;
        table.footer << grid.footerText(c);
    }
    const DataGridModel* model = grid.model();
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList cells;
        for (int c : visible)
            cells << grid.cellText(r, c);
        table.rows << cells;
        quint32 colour = 0;
        if (model->rowColour) {
            const QColor rowColour = model->rowColour(r);
            if (rowColour.isValid())
                colour = rowColour.rgba();
        }
        table.rowColours << colour;
    }
    table.footerColour = DataGrid::kFooterColour.rgba();
    return table;
}

void printDataGrid(const Session& session, QWidget* parent, const DataGrid& grid, const GridPrintOptions& options) {
    GridPrintSettings settings;
    settings.title = options.title;
    settings.blankLinesAfterTitle = options.blankLinesAfterTitle;
    settings.makerLine = gridMakerLine(options, session.rights().user(), session.today().toString(QStringLiteral("yyyy-MM-dd")));
    const GridPrintTable table = gridPrintTable(grid);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(options.title.simplified().remove(QLatin1Char(' ')));
    printer.setPageSize(QPageSize(QPageSize::A4));
    // Many wide columns read better across the page than in a tiny font.
    settings.paperMm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (gridPrintWantsLandscape(table, settings, textMeasure(&printer)))
        printer.setPageOrientation(QPageLayout::Landscape);
    // The layout follows the paper and orientation chosen in the preview.
    runPrintPreview(parent, printer, [&](QPrinter* p) {
        settings.paperMm = p->pageLayout().fullRect(QPageLayout::Millimeter).size();
        const PagedDocument document = gridPrintDocument(table, settings, textMeasure(p));
        paintDocument(*p, document);
    });
}

void connectGridPrint(const Session& session, QAction* item, QWidget* parent, const DataGrid& grid,
                      const GridPrintOptions& options) {
    if (!item)
        return;
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, parent,
                     [&session, parent, &grid, options] {
        runAction(parent, [&] { printDataGrid(session, parent, grid, options); });
    });
}
