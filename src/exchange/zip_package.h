#pragma once
// The parts of a ZIP package (.xlsx, .ods) read through libzip, and their XML read through
// QXmlStreamReader. A part may unpack to at most kMaxPartBytes, so a small file that would unpack to
// gigabytes is refused early; XML with a document type declaration is refused before its entities
// could expand. Every failure throws ExchangeError with the workbook's damaged message.
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <memory>

struct zip;
struct zip_file;

// About a quarter of a million rows of seventeen cells, more than any stock list a shop imports,
// and read in a few seconds.
constexpr qint64 kMaxPartBytes = 128 * 1024 * 1024;

class ZipPackage {
public:
    explicit ZipPackage(const QString& path);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    const QString& path() const { return m_path; }
    bool contains(const QString& part) const;
    // A small part whole (a few bytes of it for a look at its kind).
    QByteArray read(const QString& part, qint64 limit) const;
    // Refuses the file, with `why` after the damaged message when it helps the user.
    [[noreturn]] void refuse(const QString& why = QString()) const;

private:
    friend class XmlPart;
    qint64 indexOf(const QString& part) const;
    zip_file* open(const QString& part, qint64* declaredSize) const;

    QString m_path;
    zip* m_archive = nullptr;
};

// One XML part of the package, read token by token as it unpacks.
class XmlPart {
public:
    XmlPart(const ZipPackage& package, const QString& part);
    ~XmlPart();
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    // The next token; false at the end of the document.
    bool next();
    const QXmlStreamReader& xml() const { return m_xml; }
    bool isStart(QLatin1String localName) const { return m_xml.isStartElement() && m_xml.name() == localName; }
    bool isEnd(QLatin1String localName) const { return m_xml.isEndElement() && m_xml.name() == localName; }
    // An attribute by its local name, whatever its prefix.
    QString attribute(QLatin1String localName) const;
    // The text inside the element just started, up to its end; nested elements add their text.
    QString elementText();
    // Passes over the element just started, up to its end.
    void skipElement();
    [[noreturn]] void refuse(const QString& why = QString()) const { m_package.refuse(why); }

private:
    bool feed();

    const ZipPackage& m_package;
    zip_file* m_file = nullptr;
    qint64 m_read = 0;
    qint64 m_sinceToken = 0;
    int m_depth = 0;
    bool m_rootClosed = false;
    QXmlStreamReader m_xml;
};
