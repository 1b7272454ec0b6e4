#include "users/ui/apply_rights.h"

#include "app/ui/main_window.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QMetaObject>
#include <QPointer>
#include <QTableView>
#include <QToolButton>
#include <vector>

namespace {

struct Honouring {
    QPointer<QObject> window;
    std::function<void(const Rights&)> apply;
};

std::vector<Honouring>& honouring() {
    static std::vector<Honouring> list;
    return list;
}

}  // namespace

void grantRights(const Rights& rights) {
    setCurrentRights(rights);
    auto& list = honouring();
    list.erase(std::remove_if(list.begin(), list.end(), [](const Honouring& h) { return h.window.isNull(); }),
               list.end());
    // A window may register another while being applied; walk a copy.
    const std::vector<Honouring> now = list;
    for (const Honouring& h : now)
        if (h.window)
            h.apply(rights);
}

void honourRights(QObject* window, std::function<void(const Rights&)> apply) {
    apply(currentRights());
    honouring().push_back({window, std::move(apply)});
}

void hideNamedItems(QWidget* window, const QStringList& namesOrTexts) {
    if (namesOrTexts.isEmpty())
        return;
    for (QAction* action : window->findChildren<QAction*>())
        if (namesOrTexts.contains(action->objectName()) || namesOrTexts.contains(action->text()))
            action->setVisible(false);
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (!widget->objectName().isEmpty() && namesOrTexts.contains(widget->objectName()))
            widget->hide();
}

void withholdGridColumns(QWidget* grid, const QStringList& titles) {
    if (!grid || titles.isEmpty())
        return;
    const QMetaObject* meta = grid->metaObject();
    if (meta->indexOfMethod("withholdColumns(QStringList)") >= 0) {
        QMetaObject::invokeMethod(grid, "withholdColumns", Q_ARG(QStringList, titles));
        return;
    }
    if (auto* dataGrid = qobject_cast<DataGrid*>(grid)) {
        for (int column = 0; column < dataGrid->columnCount(); ++column)
            if (titles.contains(dataGrid->columnTitle(column)))
                dataGrid->setColumnHidden(column, true);
        return;
    }
    auto* view = qobject_cast<QTableView*>(grid);
    if (!view)
        view = grid->findChild<QTableView*>();
    if (!view || !view->model())
        return;
    for (int column = 0; column < view->model()->columnCount(); ++column)
        if (titles.contains(view->model()->headerData(column, Qt::Horizontal).toString()))
            view->setColumnHidden(column, true);
}

void applyRights(TMainForm& form, const Rights& rights) {
    if (!rights.isRestricted())
        return;
    hideNamedItems(&form, rights.hiddenMainWindowItems());
    if (!rights.mayChangeSaleDate()) {
        DateField* saleDate = form.saleDate();
        saleDate->setReadOnly(true);
        for (QToolButton* calendar : saleDate->findChildren<QToolButton*>())
            calendar->setEnabled(false);
    }
    withholdGridColumns(form.findChild<QWidget*>(QStringLiteral("DataGrid1")), rights.withheldInventoryColumns());
}
