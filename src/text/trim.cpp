#include "text/trim.h"

QString trimmedText(const QString& text) {
    int begin = 0, end = int(text.size());
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}
