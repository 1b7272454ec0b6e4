#pragma once
// The one place where the login's rights reach the windows. The login calls grantRights once;
// every window that withholds something registers with honourRights and gets the rights now and
// again whenever they are granted.
#include "users/rights.h"

#include <functional>

class QObject;
class QWidget;
class TMainForm;

// Sets the rights of the run and applies them to every honouring window.
void grantRights(const Rights& rights);

// Applies `apply` with the current rights now and again at each grantRights, for as long as
// `window` lives. Windows built after the login therefore get the rights at once.
void honourRights(QObject* window, std::function<void(const Rights&)> apply);

// The main window: hides its items and tool buttons by object name, makes the sale date read-only
// and withholds the inventory grid's columns.
void applyRights(TMainForm& form, const Rights& rights);

// Hides the grid columns with these titles ("upper|lower"). A grid that offers the invokable
// withholdColumns(QStringList) is handed the titles to keep hidden against its own toggles; a
// DataGrid or any QTableView has the columns hidden. Column memories that show columns again call
// this afterwards with currentRights().
void withholdGridColumns(QWidget* grid, const QStringList& titles);

// Hides the actions and widgets below `window` whose object name (or, for actions, text) is listed.
void hideNamedItems(QWidget* window, const QStringList& namesOrTexts);
