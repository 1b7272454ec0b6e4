#include "text/gbk.h"

#include <QStringEncoder>

QByteArray toGbk(QStringView text) {
    // Opening the converter is far dearer than converting a short name, so each thread keeps
    // one; stateless, so a broken surrogate at the end of one text cannot leak into the next.
    thread_local QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}
