#include "store/user_tables.h"

const TableDescription& userTable() {
    using namespace account;
    static const TableDescription table{kTable, {
        {field(kName), ColumnType::Text, {}, {}, {}},
        {field(kPassword), ColumnType::Text, {}, {}, {}},
    }};
    return table;
}

const TableDescription& loginLogTable() {
    using namespace loginlog;
    static const TableDescription table{kTable, {
        {field(kId), ColumnType::Integer, {}, {}, {}},
        {field(kUser), ColumnType::Text, {}, {}, {}},
        {field(kLogin), ColumnType::DateTime, {}, {}, {}},
        {field(kLogout), ColumnType::DateTime, {}, {}, {}},
    }};
    return table;
}
