#pragma once
// The product summary is described in store/, below the features and the rights.
#include "store/summary_table.h"
