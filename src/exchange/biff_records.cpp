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

QByteArray record(quint16 id, int length) {
    QByteArray r;
    r.reserve(4 + length);
    put16(r, id);
    put16(r, quint16(length));
    return r;
}

QByteArray cell(quint16 id, int length, quint16 row, quint16 column, quint16 format = 0) {
    QByteArray r = record(id, length);
    put16(r, row);
    put16(r, column);
    put16(r, format);
    return r;
}

}  // namespace

QByteArray bof() {
    QByteArray r = record(kBof, 8);
    put16(r, 0x0000);  // version
    put16(r, 0x0010);  // worksheet
    put16(r, 0x0000);  // build
    put16(r, 0x0000);  // year
    return r;
}

QByteArray codepage(quint16 page) {
    QByteArray r = record(kCodepage, 2);
    put16(r, page);
    return r;
}

QByteArray label(quint16 row, quint16 column, const QByteArray& text) {
    // The record length is 16 bits; such a text never comes from the ledger's fields.
    const int n = qMin(int(text.size()), 0xFFFF - 8);
    QByteArray r = cell(kLabel, 8 + n, row, column);
    put16(r, quint16(n));
    r.append(text.constData(), n);
    return r;
}

QByteArray number(quint16 row, quint16 column, double value) {
    QByteArray r = cell(kNumber, 14, row, column);
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    r.append(b, 8);
    return r;
}

QByteArray rk(quint16 row, quint16 column, qint32 value) {
    QByteArray r = cell(kRk, 10, row, column);
    put32(r, quint32(value) * 4u + 2u);
    return r;
}

QByteArray blank(quint16 row, quint16 column) { return cell(kBlank, 6, row, column, kBlankFormat); }

QByteArray eof() { return record(kEof, 0); }

}  // namespace biff
