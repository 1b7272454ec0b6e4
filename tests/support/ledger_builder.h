#pragma once
// Writes the rows a test starts from: stock batches, sales records and users, each with sensible
// values for every column it does not name, so a test states only what it is about:
//     const qint64 cola = ledger.addBatch({.name = "可乐", .purchasePrice = 2.5, .stock = 10});
// Fields are named in the order of the table's columns (store/stock_table.h, store/sales_table.h).
// A text column left out is empty, a number takes the value below; kNull stores NULL (an imported
// row, say). The figures that follow from others (amounts, stock, profit) are worked out from the
// row's own values unless given.
#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

class Database;

inline const QVariant kNull;

// A row of the stock table `data`.
struct StockBatch {
    QVariant id = kNull;  // NULL: the next free id
    QVariant name = QStringLiteral("商品");
    QVariant model = QString(), code = QString(), category = QString();
    QVariant nameInitials = QString(), modelInitials = QString();
    QVariant supplier = QString(), remark = QString();
    QVariant purchasePrice = 1.0;
    std::optional<QVariant> quantity = {};        // stock + sold when the stock is given, else 10
    std::optional<QVariant> purchaseAmount = {};  // purchase price × quantity
    QVariant salesPrice = 2.0;
    QVariant sold = 0.0;
    std::optional<QVariant> salesTotal = {};   // sold × sales price
    std::optional<QVariant> stock = {};        // quantity − sold
    std::optional<QVariant> stockAmount = {};  // stock × purchase price
    std::optional<QVariant> date = {};         // the builder's day, as "yyyy-mm-dd"
};

// A row of the sales table `data1`.
struct SaleLine {
    QVariant id = kNull;
    QVariant name = QStringLiteral("商品");
    QVariant model = QString(), code = QString(), category = QString();
    QVariant nameInitials = QString(), modelInitials = QString();
    QVariant customerName = QString(), address = QString(), contact = QString(), remark = QString();
    QVariant customerNumber = QString();
    QVariant purchasePrice = 1.0;
    QVariant price = 2.0;
    QVariant quantity = 1.0;
    std::optional<QVariant> amount = {};  // price × quantity
    std::optional<QVariant> profit = {};  // (price − purchase price) × quantity
    QVariant arrears = 0.0;
    std::optional<QVariant> date = {};         // the builder's day
    std::optional<QVariant> stockInDate = {};  // the builder's day
};

class LedgerBuilder {
public:
    // Writes through the data module's connection of the moment; `day` dates the rows.
    explicit LedgerBuilder(const QDate& day) : m_day(day) {}
    // Writes through a connection of the test's own.
    LedgerBuilder(Database& db, const QDate& day) : m_db(&db), m_day(day) {}

    // Makes the engine refuse every `operation` ("insert", "update" or "delete") on `table` with
    // `reason`, as a full disk or a locked record would; allowWrites() lifts it again.
    void refuseWrites(const QString& operation, const QString& table, const QString& reason);
    void allowWrites(const QString& operation, const QString& table);

    // Each returns the id the new row was given.
    qint64 addBatch(const StockBatch& batch);
    qint64 addSale(const SaleLine& sale);
    // A user whose password is stored as the program stores it (hashed).
    void addUser(const QString& name, const QString& password);
    // A user row as another program left it: the password stored as given.
    void addUserStoredAs(const QString& name, const QString& storedPassword);

    Database& db();
    QDate day() const { return m_day; }

private:
    Database* m_db = nullptr;
    QDate m_day;
};
