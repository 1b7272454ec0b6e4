#pragma once
// Where an ESC/POS printer is reached, and sending it the bytes of a receipt: a device file
// (/dev/usb/lp0), a network printer (HOST:PORT, usually port 9100) or a CUPS queue that passes
// the bytes through untouched ("cups:QUEUE", sent with `lp -d QUEUE -o raw`).
#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

struct PrinterAddress {
    enum class Kind { Device, Network, CupsQueue };
    Kind kind = Kind::Device;
    QString device;      // Device
    QString host;        // Network
    quint16 port = 0;
    QString queue;       // CupsQueue

    // How the user wrote it, for messages.
    QString text() const;
};

constexpr quint16 kRawPrintPort = 9100;
// How long a printer may keep us waiting: to connect, to take the bytes, and for `lp`.
constexpr std::chrono::milliseconds kPrinterTimeout{4000};

// Reads "/dev/usb/lp0", "192.168.1.80:9100" (a host alone: port 9100), "[fe80::1]:9100" or
// "cups:QUEUE". Nothing, and an explanation in `error`, when the text is none of these.
std::optional<PrinterAddress> parsePrinterAddress(const QString& text, QString* error);

// Sends the bytes; nothing waits longer than `timeout` in all. Returns the empty text when the
// printer has them, else a message for the shop saying what went wrong and what to check.
QString sendToPrinter(const PrinterAddress& address, const QByteArray& bytes,
                      std::chrono::milliseconds timeout = kPrinterTimeout);

// The message for a device that cannot be opened with this errno (ENOENT, EACCES, …).
QString deviceOpenErrorText(const QString& device, int error);
