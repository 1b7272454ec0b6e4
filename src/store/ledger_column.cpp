#include "store/ledger_column.h"

const QString kGeneralNumber = QStringLiteral("general");
