#pragma once
// A search of the sales window answered from the rows the window already holds: after "全部记录",
// or after a search whose rows include the new one's (a letter typed onto the name), the matching
// rows are picked from those held instead of read again, in the order the engine gives them. With
// three million sales the engine needs seconds to read two thirds of them again.
#include "records/sales_queries.h"

#include <QVariant>
#include <optional>
#include <string_view>
#include <vector>

class Dataset;

// The engine's LIKE: "%" any run of characters, "_" one character, Latin letters in either case;
// text and pattern end at a zero byte, as the engine reads them.
bool likeMatches(std::string_view text, std::string_view pattern);

// The stored rows of `sales` (the columns of the sales table) that the search statement of
// `conditions` gives, in its order: by identity, or by date and identity when a date range is
// ticked (the engine answers a range from the date index). Empty when the rows cannot tell, as
// when one column holds both numbers and texts.
std::optional<std::vector<int>> heldSearchRows(const Dataset& sales, const SalesSearchConditions& conditions);

// What the sales dataset holds and which searches it answers.
class HeldSales {
public:
    enum class Reading { Other, Every, Search };
    // Opens `statement` on `sales`: a search (Reading::Search, its conditions) is answered from
    // the rows held when they include its rows; what is held afterwards follows what was read.
    void open(Dataset& sales, const SalesStatement& statement, Reading reading = Reading::Other,
              const SalesSearchConditions& conditions = {});
    // Rows changed in the ledger: the next search reads them again.
    void forget() { m_reading = Reading::Other; }

private:
    bool answers(const Dataset& sales, const SalesSearchConditions& conditions) const;

    Reading m_reading = Reading::Other;
    SalesSearchConditions m_search;  // of a Reading::Search
    int m_rows = 0;                  // the stored rows then
    QVariant m_changesElsewhere;     // the engine's mark of other connections' changes then
};
