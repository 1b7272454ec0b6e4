#include "exchange/zip_package.h"

#include "exchange/exchange_error.h"
#include "exchange/workbook_cells.h"

#include <QFile>
#include <zip.h>

ZipPackage::ZipPackage(const QString& path) : m_path(path) {
    int error = 0;
    // The consistency check compares the central directory with each local header, so a cut-off
    // or patched archive is refused here rather than half read.
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_archive)
        refuse();
}

ZipPackage::~ZipPackage() {
    if (m_archive)
        zip_discard(m_archive);
}

void ZipPackage::refuse(const QString& why) const {
    throw ExchangeError(why.isEmpty() ? workbookDamagedMessage(m_path) : workbookDamagedMessage(m_path) + QStringLiteral("：") + why);
}

qint64 ZipPackage::indexOf(const QString& part) const {
    // Part names ignore letter case in an .xlsx; an .ods has no two names differing in case.
    return zip_name_locate(m_archive, part.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

bool ZipPackage::contains(const QString& part) const { return indexOf(part) >= 0; }

zip_file* ZipPackage::open(const QString& part, qint64* declaredSize) const {
    const qint64 index = indexOf(part);
    if (index < 0)
        refuse(QStringLiteral("缺少 %1").arg(part));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0)
        refuse();
    *declaredSize = (stat.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(stat.size, zip_uint64_t(1) << 62)) : 0;
    if (*declaredSize > kMaxPartBytes)
        refuse(QStringLiteral("%1 解压后有 %2 MB，超过了可以导入的大小").arg(part).arg(*declaredSize >> 20));
    zip_file* file = zip_fopen_index(m_archive, zip_uint64_t(index), 0);
    if (!file)
        refuse();
    return file;
}

QByteArray ZipPackage::read(const QString& part, qint64 limit) const {
    qint64 declared = 0;
    zip_file* file = open(part, &declared);
    QByteArray data(int(qMin(limit, qMax<qint64>(declared, 0))), Qt::Uninitialized);
    const zip_int64_t got = data.isEmpty() ? 0 : zip_fread(file, data.data(), zip_uint64_t(data.size()));
    zip_fclose(file);
    if (got < 0)
        refuse();
    data.truncate(int(got));
    return data;
}

namespace {

constexpr qint64 kMaxTokenBytes = 4 * 1024 * 1024;

}  // namespace

XmlPart::XmlPart(const ZipPackage& package, const QString& part) : m_package(package) {
    qint64 declared = 0;
    m_file = package.open(part, &declared);
}

XmlPart::~XmlPart() {
    if (m_file)
        zip_fclose(m_file);
}

bool XmlPart::feed() {
    if (!m_file)
        return false;
    // What the archive declares may be a lie: count what actually unpacks.
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    const zip_int64_t got = zip_fread(m_file, chunk.data(), zip_uint64_t(chunk.size()));
    if (got < 0)
        refuse();
    if (got == 0) {
        zip_fclose(m_file);
        m_file = nullptr;
        return false;
    }
    m_read += got;
    m_sinceToken += got;
    // The XML reader starts a token over when more data comes: one that goes on for megabytes
    // (no cell holds more than 32 767 characters) would cost time by the square of its length.
    if (m_sinceToken > kMaxTokenBytes)
        refuse(QStringLiteral("含有一段长达数MB的内容，工作簿不会有它"));
    if (m_read > kMaxPartBytes)
        refuse(QStringLiteral("解压后超过 %1 MB，超过了可以导入的大小").arg(kMaxPartBytes >> 20));
    chunk.truncate(int(got));
    m_xml.addData(chunk);
    return true;
}

bool XmlPart::next() {
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::DTD)
            refuse(QStringLiteral("含有文档类型声明（DTD），工作簿不会有它"));
        if (token == QXmlStreamReader::EndDocument)
            return false;
        if (token == QXmlStreamReader::StartElement)
            ++m_depth;
        if (token == QXmlStreamReader::EndElement && --m_depth == 0)
            m_rootClosed = true;
        if (token != QXmlStreamReader::Invalid) {
            m_sinceToken = 0;
            return true;
        }
        if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            refuse();
        // The reader waits for more after the root element; at the end of the part there is none.
        if (!feed()) {
            if (m_rootClosed)
                return false;
            refuse();
        }
    }
}

QString XmlPart::attribute(QLatin1String localName) const {
    // A const copy: iterating the returned list itself would detach and copy every attribute.
    const QXmlStreamAttributes attributes = m_xml.attributes();
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == localName)
            return a.value().toString();
    return {};
}

QString XmlPart::elementText() {
    QString text;
    for (int depth = 1; depth > 0 && next();) {
        if (m_xml.isStartElement())
            ++depth;
        else if (m_xml.isEndElement())
            --depth;
        else if (m_xml.isCharacters())
            text += m_xml.text();
    }
    return text;
}

void XmlPart::skipElement() {
    for (int depth = 1; depth > 0 && next();) {
        if (m_xml.isStartElement())
            ++depth;
        else if (m_xml.isEndElement())
            --depth;
    }
}
