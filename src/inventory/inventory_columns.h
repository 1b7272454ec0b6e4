#pragma once
// The fifteen columns of the inventory grid.
#include "store/ledger_column.h"

LedgerColumns inventoryColumns();
