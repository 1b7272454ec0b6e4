#pragma once
// ExchangeError: a failed export, import or copy, with the reason in the user's words.
#include "store/store_error.h"

class ExchangeError : public StoreError {
public:
    using StoreError::StoreError;
};
