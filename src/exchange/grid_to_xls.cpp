#include "exchange/grid_to_xls.h"

#include "exchange/biff_records.h"
#include "exchange/exchange_error.h"
#include "exchange/grid_export_source.h"
#include "exchange/grid_title.h"
#include "text/gbk.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

// Where the header cells stand.
constexpr int kTitleColumn = 3;
constexpr int kRightColumn = 5;

QByteArray cellText(const QString& text) {
    QByteArray bytes = toGbk(text);
    // A LABEL record holds at most this many bytes; cut whole characters, never half of one.
    constexpr int limit = 0xFFFF - 8;
    if (bytes.size() > limit) {
        QString cut = text;
        while (bytes.size() > limit) {
            cut.chop(qMax(1, int((bytes.size() - limit) / 4)));
            bytes = toGbk(cut);
        }
    }
    return bytes;
}

}  // namespace

QString sheetTimeText(const QDateTime& when) { return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

constexpr qsizetype kFlushSize = 1 << 18;

void XlsGridWriter::flush(qsizetype atLeast) {
    if (m_buffer.size() < atLeast || m_buffer.isEmpty())
        return;
    if (m_out->write(m_buffer) != m_buffer.size())
        throw ExchangeError(m_out->errorString());
    m_buffer.resize(0);  // keeps its capacity
}

void XlsGridWriter::write(const QByteArray& record) { m_buffer.append(record); }

void XlsGridWriter::writeLabel(int row, int column, const QString& text) {
    const QByteArray bytes = cellText(text);
    biff::appendLabel(m_buffer, quint16(row), quint16(column), bytes.constData(), bytes.size());
}

void XlsGridWriter::writeValue(int row, int column, const QVariant& value) {
    const auto r = quint16(row), c = quint16(column);
    if (!value.isValid() || value.isNull()) {
        biff::appendBlank(m_buffer, r, c);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qint64 v = value.toLongLong();
        // An RK cell keeps 30 bits; a larger whole number goes into a NUMBER cell rather than
        // wrapping into another value.
        if (v >= biff::kRkMin && v <= biff::kRkMax)
            biff::appendRk(m_buffer, r, c, qint32(v));
        else
            biff::appendNumber(m_buffer, r, c, double(v));
        return;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        biff::appendNumber(m_buffer, r, c, value.toDouble());
        return;
    case QMetaType::Bool:
        writeLabel(row, column, value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
        return;
    case QMetaType::QDate:
        writeLabel(row, column, value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
        return;
    case QMetaType::QDateTime:
        writeLabel(row, column, sheetTimeText(value.toDateTime()));
        return;
    default:
        writeLabel(row, column, value.toString());
    }
}

void XlsGridWriter::WriteSheet(QIODevice& out) {
    if (!m_grid)
        throw ExchangeError(QStringLiteral("没有要导出的表格"));
    const GridExportSource& grid = *m_grid;
    grid.prepare();
    const GridTitle titles(grid);
    const QVector<QStringList> matrix = titles.matrix();
    const int levels = titles.levelCount();
    QVector<int> visible;
    for (int c = 0; c < grid.columnCount(); ++c)
        if (grid.isColumnVisible(c))
            visible << c;
    const bool dateLine = !m_beginDate.trimmed().isEmpty() || !m_endDate.trimmed().isEmpty();
    const int records = grid.rowCount();
    const int footers = grid.footerRowCount();

    // A sheet that readers would cut short is refused before anything is written.
    const qint64 rowsNeeded = 2 + (dateLine ? 1 : 0) + levels + qint64(records) + footers;
    if (rowsNeeded > biff::kMaxRows)
        throw ExchangeError(QStringLiteral("一张XLS工作表最多 %1 行，这些记录需要 %2 行，请先缩小查询范围。")
                                .arg(biff::kMaxRows)
                                .arg(rowsNeeded));

    m_out = &out;
    m_buffer.clear();
    m_buffer.reserve(kFlushSize + 0x10000);
    write(biff::bof());
    // Without a code page a reader decodes the GBK texts in its own default code page.
    write(biff::codepage(biff::kGbkCodepage));

    int row = 0;
    writeLabel(row, kTitleColumn, m_titleName);
    ++row;
    if (dateLine) {
        if (!m_beginDate.trimmed().isEmpty())
            writeLabel(row, 0, m_beginDate);
        if (!m_endDate.trimmed().isEmpty())
            writeLabel(row, kRightColumn, m_endDate);
        ++row;
    }
    writeLabel(row, 0, QStringLiteral("制表人：") + m_userName);
    writeLabel(row, kRightColumn, QStringLiteral("制表时间：") + sheetTimeText(m_madeAt));
    ++row;

    for (int level = 0; level < levels; ++level, ++row)
        for (int k = 0; k < matrix.size(); ++k)
            writeLabel(row, k, matrix[k][level]);

    const bool progress = m_showProgress && m_progress;
    if (progress)
        m_progress(0, records);
    // Only the visible columns, in grid order, so data stands under its own title and a column the
    // login hides never reaches the file.
    for (int r = 0; r < records; ++r, ++row) {
        for (int k = 0; k < visible.size(); ++k)
            writeValue(row, k, grid.cellValue(r, visible[k]));
        flush(kFlushSize);
        if (progress)
            m_progress(r + 1, records);
    }

    for (int f = 0; f < footers; ++f, ++row)
        for (int k = 0; k < visible.size(); ++k)
            writeLabel(row, k, grid.footerText(visible[k], f));

    write(biff::eof());
    flush();
    m_buffer = QByteArray();
}

XlsGridWriter::Outcome XlsGridWriter::Export() {
    if (!m_grid || !m_grid->isOpen() || m_grid->rowCount() == 0 || m_fileName.trimmed().isEmpty())
        return Outcome::NothingToDo;
    const QFileInfo target(m_fileName);
    if (target.exists()) {
        if (target.isDir())
            throw ExchangeError(QStringLiteral("%1 是一个文件夹").arg(m_fileName));
        if (m_confirm && !m_confirm(m_fileName))
            return Outcome::Declined;
    }
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw ExchangeError(QStringLiteral("无法写入文件 %1：%2").arg(m_fileName, file.errorString()));
    WriteSheet(file);  // an exception discards the temporary file
    if (!file.commit())
        throw ExchangeError(QStringLiteral("无法写入文件 %1：%2").arg(m_fileName, file.errorString()));
    if (m_open)
        m_open(QFileInfo(m_fileName).absoluteFilePath());
    return Outcome::Written;
}
