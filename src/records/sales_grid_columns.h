#pragma once
// The fifteen columns of the sales grid and the ten of the product summary.
#include "store/ledger_column.h"

LedgerColumns salesColumns();
LedgerColumns summaryColumns();
