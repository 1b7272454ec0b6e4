#pragma once
// The one place where the login's rights reach the windows. The login calls grantRights once;
// every window that withholds something registers with honourRights and gets the rights now and
// again whenever they are granted.
#include "users/rights.h"

#include <functional>

class QObject;

// Sets the rights of the run and applies them to every honouring window.
void grantRights(const Rights& rights);

// Applies `apply` with the current rights now and again at each grantRights, for as long as
// `window` lives. Windows built after the login therefore get the rights at once.
void honourRights(QObject* window, std::function<void(const Rights&)> apply);


