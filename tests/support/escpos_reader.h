#pragma once
// Reads an ESC/POS byte stream back the way a receipt printer takes it: the commands in order and
// the printed text lines with the mode they print in. Double bytes count only in Chinese mode
// (FS &) and must be two-byte GB18030 codes; anything a printer would not understand (an unknown
// command, a stray control byte, a four-byte code, text not ended by a line feed) is an error.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct EscPosCommand {
    QString name;     // "ESC @", "FS &", "GS V", …
    QByteArray args;  // the bytes that follow the command's two bytes
    int beforeLine = 0;  // the index of the text line it precedes
};

struct EscPosTextLine {
    QString text;
    QByteArray bytes;  // as sent
    int columns = 0;   // single bytes count one, double bytes two
    bool doubleHeight = false;
    bool bold = false;
};

struct EscPosReading {
    QVector<EscPosCommand> commands;
    QVector<EscPosTextLine> lines;
    QString error;  // empty when a printer would take the stream as it is

    QStringList commandNames() const;
    int count(const QString& name) const;
    QStringList texts() const;
    // The first line holding `text`, or -1.
    int lineWith(const QString& text) const;
};

EscPosReading readEscPos(const QByteArray& bytes);
