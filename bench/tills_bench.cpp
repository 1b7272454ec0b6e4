// Several tills selling against one ledger at once: N processes, each running the sale service as
// the sale panel does (the batch read, the checks, both records written together, a sale refused
// because another till had just sold from the batch confirmed again), for SECONDS. Prints sales
// per second and the 50th and 99th percentile of a sale (from the first read to the commit,
// confirmations again included), then checks the ledger's arithmetic on the batches it sold from.
// Exits non-zero when a sale was lost, a batch oversold, the figures do not balance, or a till
// failed.
//   tovrakel-bench-tills N SECONDS --database URI_OR_FOLDER
// The run adds its own batches (codes TILLS<stamp>-<n>) and removes them and their sales again
// when everything balanced; they stay for a look when not.
#include "sales/sale_entry.h"
#include "store/database.h"
#include "store/sales_table.h"
#include "store/stock_table.h"
#include "support/till_sale.h"
#include "text/number_text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Batches a run sells from: the first few hold little and take one sale in twenty, so tills meet on
// their last units and are refused for short stock; the rest never run out and, as in a shop, two
// tills seldom sell from one of them at the same moment.
constexpr int kBatches = 200;
constexpr int kScarceBatches = 4;
constexpr double kScarceUnits = 20;
constexpr double kPlentifulUnits = 10000000;
constexpr double kPurchasePrice = 8;
const QString kPrice = QStringLiteral("12.5");
constexpr int kMaxTills = 100;
constexpr int kMaxSeconds = 3600;

void usage() {
    std::cerr << "usage: tovrakel-bench-tills N SECONDS --database URI_OR_FOLDER\n"
                 "  N tills (1-" << kMaxTills << ") sell for SECONDS (1-" << kMaxSeconds
              << ") against one ledger: a libpq URI, or a folder holding data.mdb\n";
}

QString batchPattern(const QString& tag) { return tag + QStringLiteral("-%"); }

std::vector<qint64> batchIds(Database& db, const QString& tag) {
    std::vector<qint64> ids;
    for (const ColumnStore& column :
         db.read(QStringLiteral("select %1 from %2 where %3 like ? order by %1").arg(stock::kId, stock::kTable, stock::kCode),
                 {batchPattern(tag)}))
        for (int row = 0; row < column.rowCount(); ++row)
            ids.push_back(qint64(column.number(row)));
    return ids;
}

// ---- one till ----

int runTill(const QString& ledger, int seconds, const QString& tag, quint32 seed) {
    Database db;
    std::vector<qint64> batches;
    try {
        openTillLedger(db, ledger);
        batches = batchIds(db, tag);
    } catch (const StoreError& e) {
        std::cerr << "till cannot open the ledger: " << e.message().toStdString() << std::endl;
        return 1;
    }
    if (int(batches.size()) != kBatches) {
        std::cerr << "till finds " << batches.size() << " batches of the run" << std::endl;
        return 1;
    }
    if (!readyThenWaitForGo())
        return 2;
    const SaleEntryTexts entry = oneUnitSale(kPrice, QDate::currentDate());
    QRandomGenerator random(seed);
    std::vector<qint64> latencies;  // microseconds of each sale
    long long shortStock = 0, conflicts = 0, failed = 0;
    QString firstFailure;
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < qint64(seconds) * 1000) {
        const int pick = random.bounded(20) == 0 ? random.bounded(kScarceBatches)
                                                : kScarceBatches + random.bounded(kBatches - kScarceBatches);
        QElapsedTimer sale;
        sale.start();
        try {
            const TillSale result = sellFromBatch(db, batches[size_t(pick)], entry);
            conflicts += result.conflicts;
            if (result.outcome == TillOutcome::Sold)
                latencies.push_back(sale.nsecsElapsed() / 1000);
            else
                ++shortStock;
        } catch (const StoreError& e) {
            // The cashier is told and goes on; the next sale connects again when it must.
            if (failed++ == 0)
                firstFailure = e.message();
        }
    }
    const double elapsed = run.nsecsElapsed() / 1e9;
    std::string line = "latencies";
    for (const qint64 us : latencies)
        line += ' ' + std::to_string(us);
    std::cout << line << '\n'
              << "result " << latencies.size() << ' ' << shortStock << ' ' << conflicts << ' ' << failed << ' '
              << elapsed << std::endl;
    if (failed)
        std::cerr << "first failed sale: " << firstFailure.toStdString() << std::endl;
    return 0;
}

// ---- the run ----

struct TillResult {
    std::vector<double> latenciesMs;
    long long sold = 0, shortStock = 0, conflicts = 0, failed = 0;
    double seconds = 0;
};

bool readTill(QProcess& till, TillResult& total, QString& problem) {
    const QStringList lines = QString::fromLocal8Bit(till.readAllStandardOutput()).split(QLatin1Char('\n'));
    const QString errors = QString::fromLocal8Bit(till.readAllStandardError()).trimmed();
    bool reported = false;
    for (const QString& line : lines) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.value(0) == QLatin1String("latencies")) {
            for (int i = 1; i < words.size(); ++i)
                total.latenciesMs.push_back(words[i].toDouble() / 1000);
        } else if (words.value(0) == QLatin1String("result") && words.size() == 6) {
            total.sold += words[1].toLongLong();
            total.shortStock += words[2].toLongLong();
            total.conflicts += words[3].toLongLong();
            total.failed += words[4].toLongLong();
            total.seconds = std::max(total.seconds, words[5].toDouble());
            reported = true;
        }
    }
    if (!errors.isEmpty())
        problem += errors + QLatin1Char('\n');
    if (!reported || till.exitStatus() != QProcess::NormalExit || till.exitCode() != 0) {
        problem += QStringLiteral("a till ended without its results (exit %1)\n").arg(till.exitCode());
        return false;
    }
    return true;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p / 100 * double(values.size())));
    return values[std::min(values.size(), std::max<size_t>(rank, 1)) - 1];
}

QString number(double value) { return generalNumberText(value); }

bool sameToTheFen(double a, double b) { return std::llround(a * 100) == std::llround(b * 100); }

// The run's batches and their sales as the ledger holds them afterwards; each fault is one line.
QStringList checkLedger(Database& db, const QString& tag, long long soldByTills) {
    QStringList faults;
    const std::vector<ColumnStore> batches = db.read(
        QStringLiteral("select %1,\"%2\",\"%3\",\"%4\",\"%5\",\"%6\",\"%7\" from %8 where %1 like ? order by %1")
            .arg(stock::kCode, stock::kPurchasePrice, stock::kQuantity, stock::kSoldQuantity, stock::kSalesTotal,
                 stock::kStockQuantity, stock::kStockAmount, stock::kTable),
        {batchPattern(tag)});
    const std::vector<ColumnStore> sales = db.read(
        QStringLiteral("select %1,count(*),sum(\"%2\"),sum(\"%3\") from %4 where %1 like ? group by %1 order by %1")
            .arg(salesrecord::kCode, salesrecord::kQuantity, salesrecord::kAmount, salesrecord::kTable),
        {batchPattern(tag)});
    long long records = 0;
    const int batchCount = batches.empty() ? 0 : batches[0].rowCount();
    if (batchCount != kBatches)
        faults << QStringLiteral("%1 of the run's %2 batches are in the ledger").arg(batchCount).arg(kBatches);
    for (int b = 0; b < batchCount; ++b) {
        const QString code = batches[0].text(b);
        const double cost = batches[1].number(b), in = batches[2].number(b), sold = batches[3].number(b),
                     total = batches[4].number(b), left = batches[5].number(b), worth = batches[6].number(b);
        double soldInRecords = 0, amountInRecords = 0;
        for (int s = 0; !sales.empty() && s < sales[0].rowCount(); ++s)
            if (sales[0].text(s) == code) {
                soldInRecords = sales[2].number(s);
                amountInRecords = sales[3].number(s);
            }
        if (left < 0)
            faults << QStringLiteral("%1 oversold: %2 in stock").arg(code, number(left));
        if (!sameToTheFen(sold, soldInRecords))
            faults << QStringLiteral("%1: %2 sold by the batch, %3 in its sales records")
                          .arg(code, number(sold), number(soldInRecords));
        if (!sameToTheFen(left, in - sold))
            faults << QStringLiteral("%1: %2 in stock, but %3 taken in and %4 sold")
                          .arg(code, number(left), number(in), number(sold));
        if (!sameToTheFen(total, amountInRecords))
            faults << QStringLiteral("%1: sales total %2, its sales records %3")
                          .arg(code, number(total), number(amountInRecords));
        if (!sameToTheFen(worth, left * cost))
            faults << QStringLiteral("%1: stock amount %2 for %3 units at %4")
                          .arg(code, number(worth), number(left), number(cost));
    }
    for (int s = 0; !sales.empty() && s < sales[0].rowCount(); ++s)
        records += qint64(sales[1].number(s));
    if (records < soldByTills)
        faults << QStringLiteral("%1 sales lost: the tills confirmed %2, the ledger holds %3")
                      .arg(soldByTills - records).arg(soldByTills).arg(records);
    else if (records > soldByTills)
        faults << QStringLiteral("%1 sales in the ledger that no till confirmed").arg(records - soldByTills);
    return faults;
}

void addBatches(Database& db, const QString& tag) {
    Transaction transaction(db);
    for (int i = 0; i < kBatches; ++i)
        addBatch(db, {QStringLiteral("压测商品%1").arg(i + 1), QStringLiteral("T%1").arg(i + 1),
                      QStringLiteral("%1-%2").arg(tag).arg(i + 1, 3, 10, QLatin1Char('0')), QStringLiteral("压测"),
                      kPurchasePrice, i < kScarceBatches ? kScarceUnits : kPlentifulUnits, kPrice.toDouble(),
                      QDate::currentDate()});
    transaction.commit();
}

void removeRun(Database& db, const QString& tag) {
    Transaction transaction(db);
    db.exec(QStringLiteral("delete from %1 where %2 like ?").arg(salesrecord::kTable, salesrecord::kCode), {batchPattern(tag)});
    db.exec(QStringLiteral("delete from %1 where %2 like ?").arg(stock::kTable, stock::kCode), {batchPattern(tag)});
    transaction.commit();
}

int runTills(int tills, int seconds, const QString& ledger) {
    const QString tag = QStringLiteral("TILLS%1P%2")
                            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")))
                            .arg(QCoreApplication::applicationPid());
    Database db;
    try {
        openTillLedger(db, ledger);
        addBatches(db, tag);
    } catch (const StoreError& e) {
        std::cerr << "cannot prepare the ledger: " << e.message().toStdString() << std::endl;
        return 1;
    }

    std::vector<std::unique_ptr<QProcess>> processes;
    QString problem;
    for (int i = 0; i < tills; ++i) {
        auto till = std::make_unique<QProcess>();
        till->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--till"), ledger, QString::number(seconds), tag, QString::number(1000 + i)});
        if (!till->waitForStarted(30000)) {
            std::cerr << "a till does not start: " << till->errorString().toStdString() << std::endl;
            return 1;
        }
        processes.push_back(std::move(till));
    }
    // Every till has connected before any sells.
    for (auto& till : processes) {
        while (!till->canReadLine() && till->waitForReadyRead(60000)) {
        }
        if (till->readLine().trimmed() != "ready") {
            std::cerr << "a till did not get ready: " << till->readAllStandardError().toStdString() << std::endl;
            return 1;
        }
    }
    for (auto& till : processes) {
        till->write("go\n");
        till->waitForBytesWritten(10000);
    }
    TillResult total;
    bool complete = true;
    for (auto& till : processes) {
        if (!till->waitForFinished((seconds + 300) * 1000)) {
            till->kill();
            till->waitForFinished(10000);
        }
        complete = readTill(*till, total, problem) && complete;
    }

    QStringList faults;
    try {
        faults = checkLedger(db, tag, total.sold);
    } catch (const StoreError& e) {
        faults << QStringLiteral("the ledger cannot be read back: ") + e.message();
    }
    const double perSecond = total.seconds > 0 ? double(total.sold) / total.seconds : 0;
    std::printf("tills            %d for %d s on %s\n", tills, seconds, qPrintable(db.location()));
    std::printf("sales            %lld, %.1f per second\n", total.sold, perSecond);
    std::printf("sale p50         %.2f ms\n", percentile(total.latenciesMs, 50));
    std::printf("sale p99         %.2f ms\n", percentile(total.latenciesMs, 99));
    std::printf("confirmed again  %lld (another till had just sold from the batch)\n", total.conflicts);
    std::printf("short stock      %lld refused\n", total.shortStock);
    std::printf("failed sales     %lld\n", total.failed);
    if (!problem.isEmpty())
        std::fprintf(stderr, "%s", qPrintable(problem));
    const bool sound = complete && faults.isEmpty() && total.failed == 0;
    if (faults.isEmpty()) {
        std::printf("ledger           balances: none oversold, every sale in the books\n");
    } else {
        for (const QString& fault : faults)
            std::printf("LEDGER FAULT     %s\n", qPrintable(fault));
    }
    if (sound) {
        try {
            removeRun(db, tag);
        } catch (const StoreError& e) {
            std::fprintf(stderr, "the run's batches stay (code %s-..): %s\n", qPrintable(tag), qPrintable(e.message()));
        }
    } else {
        std::printf("the run's batches and sales stay in the ledger for a look: codes %s-001 .. %s-%03d\n",
                    qPrintable(tag), qPrintable(tag), kBatches);
    }
    return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 5 && args[0] == QLatin1String("--till"))
        return runTill(args[1], args[2].toInt(), args[3], args[4].toUInt());
    bool tillsOk = false, secondsOk = false;
    const int tills = args.value(0).toInt(&tillsOk);
    const int seconds = args.value(1).toInt(&secondsOk);
    if (args.size() != 4 || args[2] != QLatin1String("--database") || !tillsOk || !secondsOk || tills < 1 ||
        tills > kMaxTills || seconds < 1 || seconds > kMaxSeconds) {
        usage();
        return 2;
    }
    QString ledger = args[3];
    if (!isServerLedger(ledger)) {
        if (!QFileInfo::exists(QDir(ledger).filePath(Database::kFileName))) {
            std::cerr << "no " << qPrintable(Database::kFileName) << " in " << qPrintable(ledger) << std::endl;
            return 2;
        }
        ledger = QFileInfo(ledger).absoluteFilePath();
    }
    return runTills(tills, seconds, ledger);
}
