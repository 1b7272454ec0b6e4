#pragma once
// GBK bytes of a text, for the few places that work on the bytes (pinyin walk, XLS cells, receipts).
#include <QByteArray>
#include <QStringView>

// GB18030 is a superset of GBK and gives the same bytes for every GBK character; characters
// outside GBK come out as GB18030's four-byte sequences.
QByteArray toGbk(QStringView text);
