#pragma once
// The remembered visibility of grid columns: which menu item hides which columns under which
// setting, and how a remembered value is read.
#include <QString>
#include <QVector>

struct ColumnMemoryItem {
    QString item;       // the menu item's component name
    QString setting;    // its value in the main settings key
    QVector<int> columns;
    bool ticksShow = false;  // ticked means shown (the item that shows a column hidden as designed)
};

// The six items of the inventory grid's menu, in the order they are re-applied at start.
const QVector<ColumnMemoryItem>& inventoryColumnMemory();
// The ten items of the sales grid's menu, in the order they are re-applied at start.
const QVector<ColumnMemoryItem>& salesColumnMemory();

// A remembered value: "yes" ticks the item, "no" unticks it, anything else (or nothing) leaves
// the item and its columns as they are.
enum class RememberedTick { Tick, Untick, Keep };
RememberedTick rememberedTick(const QString& value);
// What a tick state stores.
QString tickSetting(bool ticked);
// Whether the item's columns are hidden when its tick is in this state.
inline bool columnsHidden(const ColumnMemoryItem& item, bool ticked) { return ticked != item.ticksShow; }
