#include "text/gbk.h"

#include <QStringEncoder>
#include <vector>

namespace {

QByteArray encodeGb18030(QStringView text) {
    // Opening the converter is far dearer than converting a short name, so each thread keeps
    // one; stateless, so a broken surrogate at the end of one text cannot leak into the next.
    thread_local QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

// The two GBK bytes of every character of the basic plane that has them (0 for the others), read
// once from the converter: a sheet of many thousand names then needs no converter call per cell.
const std::vector<quint16>& twoByteCodes() {
    static const std::vector<quint16> codes = [] {
        std::vector<quint16> table(0x10000, 0);
        QString all;
        all.reserve(0x10000);
        for (char32_t c = 0x80; c < 0x10000; ++c)
            if (c < 0xD800 || c > 0xDFFF)
                all.append(QChar(char16_t(c)));
        const QByteArray bytes = encodeGb18030(all);
        qsizetype at = 0;
        for (const QChar ch : all) {
            if (at >= bytes.size())
                break;
            const auto lead = uchar(bytes[at]);
            if (lead < 0x80) {  // a character the converter replaced
                at += 1;
            } else if (at + 1 < bytes.size() && uchar(bytes[at + 1]) >= 0x30 && uchar(bytes[at + 1]) <= 0x39) {
                at += 4;  // four bytes: outside GBK
            } else if (at + 1 < bytes.size()) {
                table[ch.unicode()] = quint16(lead << 8 | uchar(bytes[at + 1]));
                at += 2;
            } else {
                break;
            }
        }
        return table;
    }();
    return codes;
}

}  // namespace

QByteArray toGbk(QStringView text) {
    const std::vector<quint16>& codes = twoByteCodes();
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            out.append(char(c));
        } else if (const quint16 code = codes[c]) {
            out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        } else {
            return encodeGb18030(text);  // four-byte characters and surrogates: the converter's way
        }
    }
    return out;
}
