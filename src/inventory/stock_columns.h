#pragma once
// The stock columns are described in store/, below the features and the rights.
#include "store/stock_table.h"
