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

// GB18030 gives two bytes to a few characters that GBK lacks (€, the radicals and ideographic
// description characters, CJK extension A, the private use area); readers of .xls decode GBK.
bool outsideGbkPairs(char16_t c) {
    return c == 0x01F9 || c == 0x20AC || (c >= 0x2E80 && c <= 0x2EFF) || (c >= 0x2FF0 && c <= 0x2FFF) ||
           c == 0x303E || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xE000 && c <= 0xF8FF);
}

// The first character of `text` that GBK cannot hold; -1 when every one fits. `bytes` is the
// text in GB18030, where such characters take four bytes (a digit as second byte).
qsizetype firstOutsideGbk(const QString& text, const QByteArray& bytes) {
    bool wide = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (uchar(bytes[i]) < 0x80)
            continue;
        if (i + 1 < bytes.size() && uchar(bytes[i + 1]) >= 0x30 && uchar(bytes[i + 1]) <= 0x39) {
            wide = true;
            break;
        }
        ++i;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            continue;
        if (outsideGbkPairs(c) || (wide && (QChar::isSurrogate(c) || toGbk(QStringView(text).mid(i, 1)).size() > 2)))
            return i;
    }
    return -1;
}

QByteArray cellText(const QString& text) {
    QByteArray bytes = toGbk(text);
    if (const qsizetype at = firstOutsideGbk(text, bytes); at >= 0) {
        const qsizetype length = text[at].isHighSurrogate() ? 2 : 1;
        const QString shown = text.size() > 20 ? text.left(20) + QStringLiteral("…") : text;
        throw XlsMisfitError(QStringLiteral("“%1”中的字符“%2”不在 GBK 字符集里，.xls 文件存不下它。")
                                 .arg(shown, text.mid(at, length)));
    }
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
    const qint64 written = m_out->write(m_buffer);
    if (written != m_buffer.size()) {
        // A disk that is full or a file at its size limit takes part of a write without an error.
        const auto* file = qobject_cast<const QFileDevice*>(m_out);
        const QString why = written >= 0 && (!file || file->error() == QFileDevice::NoError)
                                ? QStringLiteral("磁盘只写入了 %1 字节，应为 %2 字节").arg(written).arg(m_buffer.size())
                                : m_out->errorString();
        throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）").arg(m_fileName, why));
    }
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

XlsGridWriter::SheetPlan XlsGridWriter::sheetPlan() const {
    if (!m_grid)
        throw ExchangeError(QStringLiteral("没有要导出的表格"));
    const GridExportSource& grid = *m_grid;
    grid.prepare();
    const GridTitle titles(grid);
    SheetPlan plan;
    plan.titles = titles.matrix();
    plan.levels = titles.levelCount();
    for (int c = 0; c < grid.columnCount(); ++c)
        if (grid.isColumnVisible(c))
            plan.visible << c;
    plan.dateLine = !m_beginDate.trimmed().isEmpty() || !m_endDate.trimmed().isEmpty();
    plan.records = grid.rowCount();
    plan.footers = grid.footerRowCount();
    return plan;
}

void XlsGridWriter::WriteSheet(QIODevice& out) {
    const SheetPlan plan = sheetPlan();
    const GridExportSource& grid = *m_grid;
    const auto& [matrix, levels, visible, dateLine, records, footers] = plan;

    // A sheet that readers would cut short is refused before anything is written.
    const qint64 rowsNeeded = 2 + (dateLine ? 1 : 0) + levels + qint64(records) + footers;
    if (rowsNeeded > biff::kMaxRows)
        throw XlsMisfitError(QStringLiteral("一张 .xls 工作表最多 %1 行，这些记录需要 %2 行。")
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

    advance(0, records);
    // Only the visible columns, in grid order, so data stands under its own title and a column the
    // login hides never reaches the file.
    for (int r = 0; r < records; ++r, ++row) {
        for (int k = 0; k < visible.size(); ++k)
            writeValue(row, k, grid.cellValue(r, visible[k]));
        flush(kFlushSize);
        advance(r + 1, records);
    }

    for (int f = 0; f < footers; ++f, ++row)
        for (int k = 0; k < visible.size(); ++k)
            writeLabel(row, k, grid.footerText(visible[k], f));

    write(biff::eof());
    flush();
    m_buffer = QByteArray();
}

void XlsGridWriter::advance(int done, int total) {
    if (m_showProgress && m_progress)
        m_progress(done, total);
    if (m_cancelled && m_cancelled())
        throw Cancelled();
}

bool isWorkbookFileName(const QString& fileName) {
    return QFileInfo(fileName).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0;
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
    try {
        if (isWorkbookFileName(m_fileName)) {
            writeWorkbookInPlace();
        } else {
            QSaveFile file(m_fileName);
            // Unbuffered, so a write the disk cuts short is seen by the write itself.
            if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）").arg(m_fileName, file.errorString()));
            WriteSheet(file);  // an exception discards the temporary file
            if (!file.commit())
                throw ExchangeError(QStringLiteral("无法写入文件 %1（%2）").arg(m_fileName, file.errorString()));
        }
    } catch (const Cancelled&) {
        return Outcome::Cancelled;
    }
    if (m_open)
        m_open(QFileInfo(m_fileName).absoluteFilePath());
    return Outcome::Written;
}
