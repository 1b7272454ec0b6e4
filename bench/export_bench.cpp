// Times "导出Excel" of every sale as a workbook, as the sales window runs it after "全部记录": the
// grid of the sales (the customer number hidden, as the window starts) over all records, the
// command with its progress window (offscreen), the file written. Prints
// "export-xlsx <seconds> <peak KiB> <rows> <peak KiB above the loaded grid>" as tovrakel-bench does.
//   tovrakel-bench-export DATA.mdb FILE.xlsx [PROGRESS.png]
// With PROGRESS.png it saves a picture of the progress window while the export runs.
#include "peak_memory.h"

#include "app/ui/screenshot_mode.h"
#include "exchange/ui/data_grid_export.h"
#include "exchange/ui/xls_export_command.h"
#include "store/database.h"
#include "store/dataset.h"
#include "store/sales_table.h"
#include "widgets/data_grid.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTextStream>

namespace {

// Answers with default buttons and opens nothing.
class QuietUi : public AutoAnswerUiServices {
public:
    bool openUrl(const QString&) override { return true; }
};

// Saves a picture of the progress window once it runs.
class ProgressPicture : public QObject {
public:
    explicit ProgressPicture(QString path) : m_path(std::move(path)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !m_taken)
            if (auto* progress = qobject_cast<ExportProgressWindow*>(watched)) {
                m_taken = true;
                QMetaObject::invokeMethod(
                    progress, [progress, path = m_path] { progress->grab().save(path); }, Qt::QueuedConnection);
            }
        return false;
    }

private:
    QString m_path;
    bool m_taken = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        QTextStream(stderr) << "usage: tovrakel-bench-export DATA.mdb FILE.xlsx\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietUi ui;
    setUiServices(&ui);
    const QString file = QString::fromLocal8Bit(argv[2]);
    QFile::remove(file);

    Database db;
    db.open(QString::fromLocal8Bit(argv[1]));
    Dataset rows(QStringLiteral("sales"), QStringLiteral("select * from data1 order by day1"), &db);
    rows.open();
    DataGrid grid;
    grid.setColumns(gridColumns(salesColumns(), {}));
    grid.setDataset(&rows);
    for (int c = 0; c < grid.columnCount(); ++c)
        if (grid.columns().at(c).field == salesrecord::kCustomerNumber)
            grid.setColumnHidden(c, true);
    grid.refresh();
    QApplication::processEvents();

    ProgressPicture picture(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    if (argc > 3)
        app.installEventFilter(&picture);
    const long base = residentKiB();
    QFile refs(QStringLiteral("/proc/self/clear_refs"));  // the peak starts afresh from here
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
    refs.close();
    QElapsedTimer timer;
    timer.start();
    const DataGridExport source(grid);
    if (!exportGridToXlsFile(nullptr, source, QStringLiteral("销 售 报 表"), QStringLiteral("超级管理员"), file)) {
        QTextStream(stderr) << "tovrakel-bench-export: no workbook was written\n";
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QTextStream(stdout) << "export-xlsx " << seconds << ' ' << peakKiB() << ' ' << rows.recordCount() << ' '
                        << peakKiB() - base << Qt::endl;
    return 0;
}
