#include "widgets/input_helpers.h"

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
    const QStringList values = DistinctTexts(db, column, table);
    for (QComboBox* box : boxes) {
        if (!box)
            continue;
        const QSignalBlocker blocker(box);
        box->addItems(values);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
}
