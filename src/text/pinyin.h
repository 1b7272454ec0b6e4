#pragma once
// Pinyin initials of product names and models, stored beside them for the quick search.
#include <QByteArray>
#include <QString>

// The initial of a 16-bit code (first byte * 256 + second byte) by the level-1 ranges alone,
// or 0 when the code lies outside them.
char Level1Initial(quint16 code);

// Walks GBK bytes: the 84 kept ASCII characters are copied, every other byte starts a two-byte
// unit (0x00 stands in for a missing second byte) that yields its lower-case initial or "!".
// The result is never longer than the input.
QByteArray PinyinInitialsBytes(const QByteArray& gbk);

// The same walk over the GBK bytes of a text.
QString PinyinInitials(const QString& text);
