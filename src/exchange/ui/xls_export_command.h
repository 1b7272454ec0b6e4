#pragma once
// The "导出Excel" command of the three grids: save dialog, overwrite question, progress window,
// the XLS writer, and opening the written file with the desktop's program.
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class GridExportSource;
class QProgressBar;

// ExportProgressWindow: the borderless window that shows the advance of an export.
class ExportProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgressWindow(QWidget* parent = nullptr);
    void setRange(int total);
    // Sets the bar and paints it at once (the export runs without returning to the event loop).
    void setValue(int done);
    QProgressBar* bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
    int m_total = 0;
    int m_shownStep = -1;
    QElapsedTimer m_sincePaint;
};

// The save-dialog filter "Microsoft Excel xls文件|*.xls" in Qt's form.
extern const QString kXlsFilter;

// Runs the whole command for one grid: asks for the file, writes the sheet titled `title` with
// "制表人：" + `userName`, opens it. Failures are reported ("导出失败：" and the reason) and leave
// no half-written file. Returns true when a file was written.
bool exportGridToXls(QWidget* parent, const GridExportSource& grid, const QString& title, const QString& userName);
// The same without the dialog, for a file already chosen.
bool exportGridToXlsFile(QWidget* parent, const GridExportSource& grid, const QString& title,
                         const QString& userName, const QString& fileName);
