#include "users/ui/apply_rights.h"

#include "app/ui/main_window.h"
#include "widgets/data_grid.h"
#include "widgets/date_field.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
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

// The main window's items of each command, by the names the main window gives them.
struct CommandItem {
    Command command;
    const char* name;
};
const CommandItem kMainWindowItems[] = {
    {Command::EnterStock, "NewStockIn"},   {Command::EnterStock, "GridNewStockIn"},
    {Command::EnterStock, "ToolButton7"},  {Command::ModifyStock, "GridModify"},
    {Command::DeleteStock, "GridDelete"},  {Command::AdministerUsers, "UserAdmin"},
    {Command::ToggleHiddenPurchasePrice, "N5"}, {Command::ToggleHiddenAmounts, "N6"},
};

// The window an item belongs to: a pop-up menu is a window of its own, so its owner's window.
QWidget* owningWindow(QObject* item) {
    for (QObject* o = item; o; o = o->parent()) {
        auto* widget = qobject_cast<QWidget*>(o);
        if (!widget || qobject_cast<QMenu*>(widget))
            continue;
        return widget->window();
    }
    return nullptr;
}

// Hides the main window's own menu items and tool buttons of this name, never those of the
// windows it owns, which may use the same names.
void hideOwnItems(MainWindow& form, const QString& name) {
    for (QAction* action : form.findChildren<QAction*>(name))
        if (owningWindow(action) == &form)
            action->setVisible(false);
    for (QToolButton* button : form.findChildren<QToolButton*>(name))
        if (owningWindow(button) == &form)
            button->hide();
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

void applyRights(MainWindow& form, const Rights& rights) {
    if (auto* grid = qobject_cast<DataGrid*>(form.gridArea()))
        grid->withholdFields(rights.withheldFields());
    // Nothing gives a command back within the run.
    for (const CommandItem& item : kMainWindowItems)
        if (rights.withholds(item.command))
            hideOwnItems(form, QLatin1String(item.name));
    if (rights.withholds(Command::ChangeSaleDate)) {
        DateField* saleDate = form.saleDate();
        saleDate->setReadOnly(true);
        for (QToolButton* calendar : saleDate->findChildren<QToolButton*>())
            calendar->setEnabled(false);
    }
}
