#pragma once
// The inventory grid's columns are described in store/, beside the stock table.
#include "store/stock_table.h"
