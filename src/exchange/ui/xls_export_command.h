#pragma once
// The "导出Excel" command of the three grids: save dialog, overwrite question, progress window
// with Cancel, the .xlsx or .xls writer, and opening the written file with the desktop's program.
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class GridExportSource;
class QProgressBar;
class QPushButton;

// ExportProgressWindow: the borderless window that shows the advance of an export.
class ExportProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgressWindow(QWidget* parent = nullptr);
    void setRange(int total);
    // Sets the bar and paints it at once (the export runs without returning to the event loop);
    // a click on its Cancel button is taken in here too.
    void setValue(int done);
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }
    bool cancelRequested() const { return m_cancelRequested; }

private:
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelRequested = false;
    int m_total = 0;
    int m_shownStep = -1;
    QElapsedTimer m_sincePaint;
};

// The save dialog's two kinds of file: the Excel workbook (first, taken for a name without an
// extension) and the .xls sheet.
extern const QString kExportFilter;

// Runs the whole command for one grid: asks for the file, writes the sheet titled `title` with
// "制表人：" + `userName`, opens it. The extension picks .xlsx or .xls; records an .xls cannot hold
// are offered as an .xlsx. Failures are reported ("导出失败：" and the reason) and leave no
// half-written file, as does Cancel. Returns true when a file was written.
bool exportGridToXls(QWidget* parent, const GridExportSource& grid, const QString& title, const QString& userName);
// The same without the dialog, for a file already chosen.
bool exportGridToXlsFile(QWidget* parent, const GridExportSource& grid, const QString& title,
                         const QString& userName, const QString& fileName);
