#pragma once
// The sales and product summary grids' columns are described in store/, beside their tables.
#include "store/sales_table.h"
#include "store/summary_table.h"
