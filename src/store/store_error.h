#pragma once
// The store reports its failures with the program's errors.
#include "text/errors.h"
