#include "exchange/ui/xls_export_command.h"

#include "exchange/grid_export_source.h"
#include "exchange/grid_to_xls.h"
#include "store/store_error.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

const QString kExportFilter = QStringLiteral("Excel 工作簿 (*.xlsx);;Excel 97-2003 (*.xls)");

ExportProgressWindow::ExportProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("ExportProgressWindow"));
    setFixedSize(300, 100);
    setFont(QFont(QStringLiteral("宋体"), 9));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("ExportProgressWindow { border: 1px solid black; }"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(1, 1, 298, 98);  // inside the black frame

    auto* label = new QLabel(QStringLiteral("正在导出数据，请稍候......"), panel);
    label->setObjectName(QStringLiteral("Label1"));
    QFont bold = font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(24, 24);
    label->adjustSize();

    m_bar = new QProgressBar(panel);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setGeometry(19, 49, 260, 13);
    m_bar->setTextVisible(false);
    m_bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                                        "QProgressBar::chunk { background: blue; }"));
    m_cancel = new QPushButton(QStringLiteral("取消"), panel);
    m_cancel->setObjectName(QStringLiteral("CancelExport"));
    m_cancel->setGeometry(114, 68, 70, 22);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelRequested = true;
        m_cancel->setEnabled(false);
    });
    // While the export takes the Cancel click, no other window takes input.
    setWindowModality(Qt::ApplicationModal);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ExportProgressWindow::setRange(int total) {
    m_total = total;
    m_bar->setRange(0, qMax(1, total));
    m_bar->setValue(0);
    m_shownStep = -1;
    m_sincePaint.invalidate();
}

void ExportProgressWindow::setValue(int done) {
    // The export runs without returning to the event loop, so the bar is painted here. A screen
    // shows one frame in 16 ms at most, and the bar one step per pixel; the bar itself repaints on
    // every value that moves it, so a sheet written in a tenth of a second would otherwise spend
    // more time on the bar than on the sheet.
    const bool last = done >= m_total;
    if (!last && m_sincePaint.isValid() && m_sincePaint.elapsed() < 16)
        return;
    m_sincePaint.start();
    m_bar->setValue(done);
    const int step = m_total > 0 ? int(qint64(done) * m_bar->width() / m_total) : 0;
    if (step != m_shownStep) {
        m_shownStep = step;
        m_bar->repaint();
    }
    QApplication::processEvents();
}

bool exportGridToXlsFile(QWidget* parent, const GridExportSource& grid, const QString& title,
                         const QString& userName, const QString& fileName) {
    XlsGridWriter xls;
    xls.setTitleName(title);
    xls.setBeginDate(QString());
    xls.setEndDate(QString());
    xls.setUserName(userName);
    xls.setGrid(&grid);
    xls.setShowProgress(true);
    xls.setFileName(fileName);
    xls.setMadeAt(ui().now());
    xls.setConfirmOverwrite([parent](const QString& file) {
        return showMessage(parent, QStringLiteral("提示"), QStringLiteral("已存在文件（%1），是否覆盖？").arg(file),
                           QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No) == QMessageBox::Yes;
    });
    xls.setOpenFile([](const QString& file) { ui().openUrl(file); });

    std::unique_ptr<ExportProgressWindow> progress;
    xls.setProgress([&progress](int done, int total) {
        if (!progress) {
            progress = std::make_unique<ExportProgressWindow>();
            progress->setRange(total);
            progress->show();
            progress->repaint();
        }
        progress->setValue(done);
    });
    xls.setCancelled([&progress] { return progress && progress->cancelRequested(); });

    QApplication::setOverrideCursor(Qt::WaitCursor);
    XlsGridWriter::Outcome outcome = XlsGridWriter::Outcome::NothingToDo;
    QString failure, misfit;
    try {
        outcome = xls.Export();
    } catch (const XlsMisfitError& e) {
        misfit = e.message();
    } catch (const StoreError& e) {
        failure = e.message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    progress.reset();
    QApplication::restoreOverrideCursor();
    if (!misfit.isEmpty()) {
        // A refused export would leave the user without the records; the workbook holds them.
        const QFileInfo file(fileName);
        const QString workbook = file.dir().filePath(file.completeBaseName() + QStringLiteral(".xlsx"));
        if (showMessage(parent, QStringLiteral("提示"),
                        misfit + QStringLiteral("\n是否改存为 Excel 工作簿（%1）？").arg(workbook),
                        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
            return false;
        return exportGridToXlsFile(parent, grid, title, userName, workbook);
    }
    if (!failure.isEmpty()) {
        // Silence here would let the user believe the sheet was written.
        showError(parent, QStringLiteral("导出失败：") + failure);
        return false;
    }
    return outcome == XlsGridWriter::Outcome::Written;
}

bool exportGridToXls(QWidget* parent, const GridExportSource& grid, const QString& title, const QString& userName) {
    QString fileName = ui().saveFileName(parent, QString(), QString(), kExportFilter);
    if (fileName.isEmpty())
        return false;
    // The dialog's first kind.
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".xlsx");
    return exportGridToXlsFile(parent, grid, title, userName, fileName);
}
