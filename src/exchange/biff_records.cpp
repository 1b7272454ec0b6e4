#include "exchange/biff_records.h"

#include <QtEndian>
#include <cstring>

namespace biff {
namespace {

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void header(QByteArray& out, quint16 id, int length) {
    put16(out, id);
    put16(out, quint16(length));
}

void cell(QByteArray& out, quint16 id, int length, quint16 row, quint16 column, quint16 format = 0) {
    header(out, id, length);
    put16(out, row);
    put16(out, column);
    put16(out, format);
}

}  // namespace

QByteArray bof() {
    QByteArray r;
    header(r, kBof, 8);
    put16(r, 0x0000);  // version
    put16(r, 0x0010);  // worksheet
    put16(r, 0x0000);  // build
    put16(r, 0x0000);  // year
    return r;
}

QByteArray codepage(quint16 page) {
    QByteArray r;
    header(r, kCodepage, 2);
    put16(r, page);
    return r;
}

void appendLabel(QByteArray& out, quint16 row, quint16 column, const char* text, qsizetype size) {
    // The record length is 16 bits; such a text never comes from the ledger's fields.
    const int n = int(qMin(size, qsizetype(0xFFFF - 8)));
    cell(out, kLabel, 8 + n, row, column);
    put16(out, quint16(n));
    out.append(text, n);
}

void appendNumber(QByteArray& out, quint16 row, quint16 column, double value) {
    cell(out, kNumber, 14, row, column);
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    out.append(b, 8);
}

void appendRk(QByteArray& out, quint16 row, quint16 column, qint32 value) {
    cell(out, kRk, 10, row, column);
    put32(out, quint32(value) * 4u + 2u);
}

void appendBlank(QByteArray& out, quint16 row, quint16 column) { cell(out, kBlank, 6, row, column, kBlankFormat); }

QByteArray label(quint16 row, quint16 column, const QByteArray& text) {
    QByteArray r;
    appendLabel(r, row, column, text.constData(), text.size());
    return r;
}

QByteArray number(quint16 row, quint16 column, double value) {
    QByteArray r;
    appendNumber(r, row, column, value);
    return r;
}

QByteArray rk(quint16 row, quint16 column, qint32 value) {
    QByteArray r;
    appendRk(r, row, column, value);
    return r;
}

QByteArray blank(quint16 row, quint16 column) {
    QByteArray r;
    appendBlank(r, row, column);
    return r;
}

QByteArray eof() {
    QByteArray r;
    header(r, kEof, 0);
    return r;
}

}  // namespace biff
