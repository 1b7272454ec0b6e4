#include "inventory/column_memory.h"

const QVector<ColumnMemoryItem>& inventoryColumnMemory() {
    static const QVector<ColumnMemoryItem> items = {
        {QStringLiteral("N5"), QStringLiteral("rukuyin1"), {5}},
        {QStringLiteral("N31"), QStringLiteral("rukuyin6"), {8}},
        {QStringLiteral("N6"), QStringLiteral("rukuyin2"), {6, 9, 11}},
        {QStringLiteral("N9"), QStringLiteral("rukuyin3"), {12}},
        {QStringLiteral("N10"), QStringLiteral("rukuyin4"), {13}},
        {QStringLiteral("N7"), QStringLiteral("rukuyin5"), {14}},
    };
    return items;
}

const QVector<ColumnMemoryItem>& salesColumnMemory() {
    static const QVector<ColumnMemoryItem> items = {
        {QStringLiteral("N5"), QStringLiteral("xiaoshouyin1"), {4}},
        {QStringLiteral("N13"), QStringLiteral("xiaoshouyin2"), {7}},
        {QStringLiteral("N12"), QStringLiteral("xiaoshouyin3"), {8}},
        {QStringLiteral("N11"), QStringLiteral("xiaoshouyin4"), {9}},
        {QStringLiteral("N6"), QStringLiteral("xiaoshouyin5"), {11, 12, 13, 14}},
        {QStringLiteral("N10"), QStringLiteral("xiaoshouyin6"), {10}, true},
        {QStringLiteral("N9"), QStringLiteral("xiaoshouyin7"), {11}},
        {QStringLiteral("N8"), QStringLiteral("xiaoshouyin8"), {12}},
        {QStringLiteral("N16"), QStringLiteral("xiaoshouyin9"), {13}},
        {QStringLiteral("N17"), QStringLiteral("xiaoshouyin10"), {14}},
    };
    return items;
}

RememberedTick rememberedTick(const QString& value) {
    if (value == QLatin1String("yes"))
        return RememberedTick::Tick;
    if (value == QLatin1String("no"))
        return RememberedTick::Untick;
    return RememberedTick::Keep;
}

QString tickSetting(bool ticked) { return ticked ? QStringLiteral("yes") : QStringLiteral("no"); }
