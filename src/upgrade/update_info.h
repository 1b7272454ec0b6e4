#pragma once
// UpdateInfo: the info file of a release as the update check reads it, and the comparisons
// that decide whether the release is newer than this program.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

enum class VersionControl { byDate, byNumber };

class UpdateInfo {
public:
    UpdateInfo() = default;
    // The bytes as fetched: UTF-8 when they are valid UTF-8, else GBK (GB18030).
    explicit UpdateInfo(const QByteArray& content);
    explicit UpdateInfo(const QString& text) : m_text(text) {}

    // "#name=" found anywhere, any letter case, first occurrence; the value runs to the first
    // control character. Empty when the key is absent.
    QString value(const QString& name) const;
    // The text between the braces of "#message={...}", line breaks included.
    QString message() const;
    // url, url0, then url<k+1>, url<k+2>, ... with k the number taken so far, until the first empty.
    QStringList fileList() const;
    // 1: the first program file is a setup program; 2: open the first address in the browser;
    // 0: download and replace.
    int method() const;

    bool isNewerThan(VersionControl control, const QString& versionDate, const QString& versionNumber,
                     const QDate& today) const;

private:
    int valueStart(const QString& name) const;
    QString m_text;
};

// "month/day/year"; a text that cannot be read that way stands for today.
QDate readMonthDayYear(const QString& text, const QDate& today);
// Up to four dot-separated numbers compared from the left (missing parts are 0); when a part of
// either is not a number the texts are compared byte by byte. <0, 0, >0 like strcmp.
int compareVersionNumbers(const QString& a, const QString& b);
// The part of an address after its last "/" or "\".
QString lastSegment(const QString& address);
// An address without "://" is taken as http.
QString withScheme(const QString& address);
