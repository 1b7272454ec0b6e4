#pragma once
// Checks of required entry fields and the fill of pick lists, shared by every entry panel.
#include "text/trim.h"

#include <QString>
#include <initializer_list>

class QComboBox;
class QLineEdit;
class Database;

// True when the field holds more than blanks; otherwise a "Warning" box with the message, then the
// focus moves to the field.
bool RequireEdit(QLineEdit* field, const QString& message);
bool RequireCombo(QComboBox* box, const QString& message);
// Lists the distinct values of table.column in the box, in the grids' text order (empty first,
// then numbers, then texts in pinyin order for the common characters); its text is emptied without signalling a
// change by the user. After a failure the box stays empty and the error propagates.
void FillCombo(Database& db, const QString& column, const QString& table, QComboBox* box);
// The same list in several boxes, read once.
void FillCombos(Database& db, const QString& column, const QString& table, std::initializer_list<QComboBox*> boxes);
