#include "widgets/input_helpers.h"

#include "store/dataset.h"
#include "store/query.h"
#include "widgets/ui_services.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

bool require(QWidget* field, const QString& text, const QString& message) {
    if (!trimmedText(text).isEmpty())
        return true;
    showMessage(field, QStringLiteral("Warning"), message, QMessageBox::Warning, QMessageBox::Ok);
    field->setFocus();
    return false;
}

// The distinct values in the order the grids sort texts (pinyin order for the common characters),
// not in the engine's order of character codes.
QStringList pickListTexts(Database& db, const QString& column, const QString& table) {
    Dataset query(QStringLiteral("distinct"), QString(), &db);
    OpenDistinct(query, column, table);
    query.sort(query.columnNames().value(0));
    QStringList values;
    values.reserve(query.recordCount());
    for (int row = 0; row < query.recordCount(); ++row)
        values << query.text(row, 0);
    return values;
}

}  // namespace

bool RequireEdit(QLineEdit* field, const QString& message) { return require(field, field->text(), message); }

bool RequireCombo(QComboBox* box, const QString& message) { return require(box, box->currentText(), message); }

void FillCombo(Database& db, const QString& column, const QString& table, QComboBox* box) {
    FillCombos(db, column, table, {box});
}

void FillCombos(Database& db, const QString& column, const QString& table, std::initializer_list<QComboBox*> boxes) {
    for (QComboBox* box : boxes) {
        if (!box)
            continue;
        const QSignalBlocker blocker(box);
        box->clear();
        box->setEditText(QString());
    }
    const QStringList values = pickListTexts(db, column, table);
    for (QComboBox* box : boxes) {
        if (!box)
            continue;
        const QSignalBlocker blocker(box);
        box->addItems(values);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
}
