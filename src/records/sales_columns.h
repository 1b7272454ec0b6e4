#pragma once
// The sales columns are described in store/, below the features and the rights.
#include "store/sales_table.h"
