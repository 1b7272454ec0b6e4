#pragma once
// The records of the XLS worksheet stream: record number, data length and data, little-endian.
#include <QByteArray>
#include <QtGlobal>

namespace biff {

enum : quint16 {
    kBof = 0x0809,
    kCodepage = 0x0042,
    kLabel = 0x0204,
    kNumber = 0x0203,
    kRk = 0x027E,
    kBlank = 0x0201,
    kEof = 0x000A,
};

// The format index of a blank cell; every other cell has format 0.
constexpr quint16 kBlankFormat = 23;
// Code page of the GBK texts.
constexpr quint16 kGbkCodepage = 936;
// Integers an RK cell holds exactly (30 bits, signed).
constexpr qint64 kRkMin = -(qint64(1) << 29);
constexpr qint64 kRkMax = (qint64(1) << 29) - 1;
// Readers take a sheet with this BOF version for an early-format one, which has 16384 rows; they
// drop rows beyond that, so a longer sheet is refused rather than written.
constexpr int kMaxRows = 16384;

QByteArray bof();
QByteArray codepage(quint16 page);
// `text` is already in the file's encoding; longer texts than a record holds are cut.
QByteArray label(quint16 row, quint16 column, const QByteArray& text);
QByteArray number(quint16 row, quint16 column, double value);
// value within kRkMin..kRkMax.
QByteArray rk(quint16 row, quint16 column, qint32 value);
QByteArray blank(quint16 row, quint16 column);
QByteArray eof();

// The same cell records appended to a buffer, for sheets of many cells.
void appendLabel(QByteArray& out, quint16 row, quint16 column, const char* text, qsizetype size);
void appendNumber(QByteArray& out, quint16 row, quint16 column, double value);
void appendRk(QByteArray& out, quint16 row, quint16 column, qint32 value);
void appendBlank(QByteArray& out, quint16 row, quint16 column);

}  // namespace biff
