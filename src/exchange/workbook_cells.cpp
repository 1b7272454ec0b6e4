#include "exchange/workbook_cells.h"

#include "exchange/exchange_error.h"

#include <QFile>
#include <QStringDecoder>
#include <cstring>
#include <vector>

namespace {

// Every offset and length below comes from the file: each read is checked against what is there.
class Bytes {
public:
    explicit Bytes(const QByteArray& data) : m_data(data) {}
    qsizetype size() const { return m_data.size(); }
    bool has(qint64 at, qint64 count) const { return at >= 0 && count >= 0 && at + count <= m_data.size(); }
    quint8 u8(qint64 at) const { return has(at, 1) ? quint8(m_data[at]) : 0; }
    quint16 u16(qint64 at) const { return quint16(u8(at) | u8(at + 1) << 8); }
    quint32 u32(qint64 at) const { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

// `what` says where the structure broke; it is for the reader of this code, not the user.
[[noreturn]] void damaged(const QString& path, const char* what) {
    Q_UNUSED(what);
    throw ExchangeError(workbookDamagedMessage(path));
}

// The compound file that holds the workbook stream.
class CompoundFile {
public:
    CompoundFile(const QString& path, const QByteArray& data) : m_path(path), m_file(data) {
        static const char magic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (data.size() < 512 || std::memcmp(data.constData(), magic, 8) != 0)
            damaged(path, "no compound file");
        const int shift = m_file.u16(0x1E);
        if (shift != 9 && shift != 12)
            damaged(path, "sector size");
        m_sectorSize = 1 << shift;
        m_miniSectorSize = 1 << m_file.u16(0x20);
        if (m_miniSectorSize != 64)
            damaged(path, "mini sector size");
        m_wideSizes = m_file.u16(0x1A) == 4;
        m_miniCutoff = m_file.u32(0x38);

        // The FAT's sectors: 109 in the header, the rest in the chain of DIFAT sectors.
        const quint32 fatSectors = m_file.u32(0x2C);
        std::vector<quint32> fatList;
        for (quint32 i = 0; i < 109 && fatList.size() < fatSectors; ++i)
            fatList.push_back(m_file.u32(0x4C + 4 * i));
        quint32 difat = m_file.u32(0x44);
        const qint64 perDifat = m_sectorSize / 4 - 1;
        for (quint32 n = 0; fatList.size() < fatSectors && difat < kMaxRegular; ++n) {
            if (n > sectorCount())
                damaged(path, "DIFAT loop");
            const qint64 at = offsetOf(difat);
            for (qint64 i = 0; i < perDifat && fatList.size() < fatSectors; ++i)
                fatList.push_back(m_file.u32(at + 4 * i));
            difat = m_file.u32(at + 4 * perDifat);
        }
        if (fatList.size() < fatSectors || fatSectors > sectorCount() + 1)
            damaged(path, "FAT");
        for (quint32 sector : fatList) {
            const qint64 at = offsetOf(sector);
            for (qint64 i = 0; i < m_sectorSize / 4; ++i)
                m_fat.push_back(m_file.u32(at + 4 * i));
        }
    }

    // The stream `name` (any letter case) of the root storage's entries; empty when absent.
    QByteArray stream(const QStringList& names) const {
        const QByteArray directory = chain(m_file.u32(0x30), -1);
        const Bytes entries(directory);
        if (entries.size() < 128)
            damaged(m_path, "directory");
        const quint32 miniStart = entries.u32(0x74);
        const qint64 miniSize = entrySize(entries, 0);
        // The root storage's own entries: its child and that child's siblings (a tree). An
        // embedded object keeps a workbook stream of its own in a storage further down.
        const qint64 count = entries.size() / 128;
        std::vector<quint32> pending{entries.u32(0x4C)};
        std::vector<bool> seen(size_t(count), false);
        while (!pending.empty()) {
            const quint32 index = pending.back();
            pending.pop_back();
            if (index >= count || seen[index])
                continue;
            seen[index] = true;
            const qint64 at = qint64(index) * 128;
            pending.push_back(entries.u32(at + 0x44));
            pending.push_back(entries.u32(at + 0x48));
            if (entries.u8(at + 0x42) != 2)  // streams only
                continue;
            const int nameBytes = qBound(0, int(entries.u16(at + 0x40)) - 2, 62);
            const QString name = QString::fromUtf16(
                reinterpret_cast<const char16_t*>(directory.constData() + at), nameBytes / 2);
            if (!names.contains(name, Qt::CaseInsensitive))
                continue;
            const qint64 size = entrySize(entries, at);
            const quint32 start = entries.u32(at + 0x74);
            if (size < m_miniCutoff) {
                const QByteArray mini = chain(miniStart, miniSize);
                return miniChain(mini, start, size);
            }
            return chain(start, size);
        }
        return {};
    }

private:
    static constexpr quint32 kMaxRegular = 0xFFFFFFFA;
    static constexpr quint32 kEndOfChain = 0xFFFFFFFE;

    qint64 sectorCount() const { return m_file.size() / m_sectorSize; }
    qint64 offsetOf(quint32 sector) const {
        const qint64 at = (qint64(sector) + 1) * m_sectorSize;
        if (sector >= kMaxRegular || !m_file.has(at, 1))
            damaged(m_path, "sector beyond the file");
        return at;
    }
    qint64 entrySize(const Bytes& entries, qint64 at) const {
        const quint32 low = entries.u32(at + 0x78);
        const quint32 high = m_wideSizes ? entries.u32(at + 0x7C) : 0;
        const qint64 size = (qint64(high) << 32) | low;
        if (high != 0 || size > m_file.size())
            damaged(m_path, "stream size");
        return size;
    }
    // The sectors of a chain in order, cut to `size` (-1: the whole chain).
    QByteArray chain(quint32 sector, qint64 size) const {
        QByteArray out;
        qint64 steps = 0;
        while (sector != kEndOfChain && (size < 0 || out.size() < size)) {
            if (sector >= m_fat.size() || ++steps > qint64(m_fat.size()))
                damaged(m_path, "sector chain");
            const qint64 at = offsetOf(sector);
            out += m_file.data().mid(at, m_sectorSize);
            sector = m_fat[sector];
        }
        if (size >= 0) {
            if (out.size() < size)
                damaged(m_path, "stream shorter than its size");
            out.truncate(size);
        }
        return out;
    }
    QByteArray miniChain(const QByteArray& mini, quint32 sector, qint64 size) const {
        const QByteArray table = chain(m_file.u32(0x3C), -1);
        const Bytes miniFat(table);
        const qint64 entries = table.size() / 4;
        QByteArray out;
        qint64 steps = 0;
        while (sector != kEndOfChain && out.size() < size) {
            const qint64 at = qint64(sector) * m_miniSectorSize;
            if (sector >= entries || ++steps > entries || at + m_miniSectorSize > mini.size())
                damaged(m_path, "mini sector chain");
            out += mini.mid(at, m_miniSectorSize);
            sector = miniFat.u32(4 * qint64(sector));
        }
        if (out.size() < size)
            damaged(m_path, "stream shorter than its size");
        out.truncate(size);
        return out;
    }

    QString m_path;
    Bytes m_file;
    qint64 m_sectorSize = 512;
    qint64 m_miniSectorSize = 64;
    qint64 m_miniCutoff = 4096;
    bool m_wideSizes = false;
    std::vector<quint32> m_fat;
};

enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kContinue = 0x003C,
    kCodepage = 0x0042,
    kBoundSheet = 0x0085,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kBof = 0x0809,
};

QString errorText(quint8 code) {
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    default: return QStringLiteral("#%1").arg(code);
    }
}

// The records of the workbook stream, one after another.
class Records {
public:
    explicit Records(const QByteArray& stream) : m_stream(stream) {}
    void seek(qint64 at) { m_next = at; }
    bool next() {
        if (!m_stream.has(m_next, 4))
            return false;
        m_id = m_stream.u16(m_next);
        const quint16 length = m_stream.u16(m_next + 2);
        if (!m_stream.has(m_next + 4, length))
            return false;
        m_data = Bytes(m_stream.data().mid(m_next + 4, length));
        m_next += 4 + length;
        return true;
    }
    quint16 id() const { return m_id; }
    const Bytes& data() const { return m_data; }

private:
    Bytes m_stream;
    qint64 m_next = 0;
    quint16 m_id = 0;
    Bytes m_data{QByteArray()};
};

// Text of the workbook's early format, in its code page.
QString codepageText(const QByteArray& bytes, quint16 codepage) {
    if (codepage == 936) {
        QStringDecoder gbk("GB18030");
        return gbk.decode(bytes);
    }
    QStringDecoder decoder(QStringLiteral("windows-%1").arg(codepage).toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// A BIFF8 text: `count` characters from `at` on, one byte each or two as the flags say, going on in
// CONTINUE records (each begins with its own flags byte) when the record ends first.
QString biff8Text(Records& records, qint64 at, int count, quint8 flags) {
    QString text;
    const Bytes* data = &records.data();
    Bytes current = *data;
    bool wide = flags & 0x01;
    if (flags & 0x08)
        at += 2;  // rich-text runs count
    if (flags & 0x04)
        at += 4;  // extended data size
    while (text.size() < count) {
        if (at >= current.size()) {
            if (!records.next() || records.id() != kContinue)
                break;
            current = records.data();
            wide = current.u8(0) & 0x01;
            at = 1;
            continue;
        }
        if (wide) {
            if (!current.has(at, 2))
                break;
            text += QChar(current.u16(at));
            at += 2;
        } else {
            text += QChar(current.u8(at));
            at += 1;
        }
    }
    return text;
}

}  // namespace

SavedCells readSavedCells(const QString& path, const QString& sheet) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        damaged(path, "cannot be opened");
    const CompoundFile compound(path, file.readAll());
    const QByteArray stream = compound.stream({QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (stream.isEmpty())
        damaged(path, "no workbook stream");

    // The globals: version, code page and where each sheet begins.
    Records records(stream);
    if (!records.next() || records.id() != kBof)
        damaged(path, "no BOF");
    const bool biff8 = records.data().u16(0) == 0x0600;
    quint16 codepage = 1252;
    qint64 sheetStart = -1;
    while (records.next() && records.id() != kEof) {
        const Bytes& d = records.data();
        if (records.id() == kCodepage) {
            codepage = d.u16(0);
        } else if (records.id() == kBoundSheet && sheetStart < 0) {
            const quint32 start = d.u32(0);
            const int count = d.u8(6);
            const QString name = biff8 ? biff8Text(records, 8, count, d.u8(7))
                                       : codepageText(d.data().mid(7, count), codepage);
            if (name.compare(sheet, Qt::CaseInsensitive) == 0)
                sheetStart = start;
        }
    }
    SavedCells cells;
    if (sheetStart < 0)
        return cells;

    records.seek(sheetStart);
    if (!records.next() || records.id() != kBof)
        damaged(path, "sheet without BOF");
    int depth = 1;  // charts on the sheet bring their own BOF ... EOF
    std::pair<unsigned, unsigned> awaitingText{0, 0};
    bool awaiting = false;
    while (depth > 0 && records.next()) {
        const Bytes& d = records.data();
        switch (records.id()) {
        case kBof:
            ++depth;
            break;
        case kEof:
            --depth;
            break;
        case kFormula: {
            if (depth != 1 || d.size() < 14)
                break;
            const std::pair<unsigned, unsigned> at{d.u16(0), d.u16(2)};
            awaiting = false;
            SavedCell cell;
            if (d.u16(12) != 0xFFFF) {
                const quint64 bits = quint64(d.u32(6)) | quint64(d.u32(10)) << 32;
                std::memcpy(&cell.number, &bits, sizeof cell.number);
                cells[at] = cell;
                break;
            }
            switch (d.u8(6)) {
            case 0:  // text: the STRING record that follows holds it; without one, no result
                awaitingText = at;
                awaiting = true;
                cell.kind = SavedCell::Kind::Error;
                cells[at] = cell;
                break;
            case 1:  // shown as TRUE or FALSE; stored as 1 or 0 like a typed one
                cell.number = d.u8(8) ? 1 : 0;
                cells[at] = cell;
                break;
            case 2:
                cell.kind = SavedCell::Kind::Error;
                cell.text = errorText(d.u8(8));
                cells[at] = cell;
                break;
            default:  // an empty text
                cell.kind = SavedCell::Kind::Text;
                cells[at] = cell;
                break;
            }
            break;
        }
        case kString:
            if (depth != 1 || !awaiting)
                break;
            awaiting = false;
            {
                SavedCell cell;
                cell.kind = SavedCell::Kind::Text;
                const int count = d.u16(0);
                cell.text = biff8 ? biff8Text(records, 3, count, d.u8(2))
                                  : codepageText(d.data().mid(2, count), codepage);
                cells[awaitingText] = cell;
            }
            break;
        case kBoolErr:
            if (depth == 1 && d.u8(7) == 1) {
                SavedCell cell;
                cell.kind = SavedCell::Kind::Error;
                cell.text = errorText(d.u8(6));
                cells[{d.u16(0), d.u16(2)}] = cell;
            }
            break;
        default:
            break;
        }
    }
    return cells;
}

QString workbookDamagedMessage(const QString& path) {
    return QStringLiteral("Excel文件 %1 已损坏，或不是可以读取的Excel工作簿（.xls、.xlsx）或OpenDocument表格（.ods）").arg(path);
}
