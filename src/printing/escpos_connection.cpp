#include "printing/escpos_connection.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kCupsPrefix = QStringLiteral("cups:");

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString seconds(std::chrono::milliseconds timeout) {
    return QString::number((timeout.count() + 999) / 1000);
}

QString halfWayText(const QString& printer, const QString& why, qint64 sent, qint64 total) {
    if (sent == 0)
        return QStringLiteral("向打印机%1发送小票时出错（%2），小票没有打印。请检查打印机后重新打印。").arg(printer, why);
    return QStringLiteral("向打印机%1发送小票时中途出错（%2；已发送%3字节，共%4字节）。"
                          "小票可能只打印了一部分，请检查打印机后重新打印。")
        .arg(printer, why)
        .arg(sent)
        .arg(total);
}

QString silentText(const QString& printer, std::chrono::milliseconds timeout) {
    return QStringLiteral("打印机%1在%2秒内没有应答。请检查打印机是否开机、连线是否接好、有没有纸。")
        .arg(printer, seconds(timeout));
}

// Waits until `fd` is ready for `events` or the deadline passes; false on a timeout.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, int(deadline.remainingTime()));
        if (r >= 0)
            return r > 0;
        if (errno != EINTR)
            return true;  // the call that follows reports the error
    }
}

// Writes everything, waiting whenever the other end takes no more; an empty text when done.
QString writeAll(int fd, const QString& printer, const QByteArray& bytes, const QDeadlineTimer& deadline,
                 std::chrono::milliseconds timeout, bool socket) {
    qint64 sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = socket ? ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL)
                                 : ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return silentText(printer, timeout) +
                       QStringLiteral("（已发送%1字节，共%2字节）").arg(sent).arg(bytes.size());
            continue;
        }
        return halfWayText(printer, n < 0 ? systemText(errno) : QStringLiteral("写入了0字节"), sent, bytes.size());
    }
    return {};
}

QString sendToDevice(const QString& device, const QByteArray& bytes, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    // Never created: a missing device is an unplugged printer, not a file to make.
    const int fd = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return deviceOpenErrorText(device, errno);
    QString error = writeAll(fd, QStringLiteral("设备“%1”").arg(device), bytes, deadline, timeout, false);
    if (::close(fd) != 0 && error.isEmpty() && errno != EINTR)
        error = halfWayText(QStringLiteral("设备“%1”").arg(device), systemText(errno), bytes.size(), bytes.size());
    return error;
}

// Connects within the deadline; the socket, or -1 with the message in `error`.
int connectTo(const PrinterAddress& address, const QDeadlineTimer& deadline, std::chrono::milliseconds timeout,
              QString* error) {
    const QString printer = address.text();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int gai = ::getaddrinfo(address.host.toUtf8().constData(), QByteArray::number(address.port).constData(),
                                  &hints, &found);
    if (gai != 0) {
        *error = QStringLiteral("找不到网络打印机“%1”（%2）。请检查打印机的IP地址是否写对。")
                     .arg(printer, QString::fromLocal8Bit(::gai_strerror(gai)));
        return -1;
    }
    int lastError = ETIMEDOUT;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int result = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (result == EINPROGRESS) {
            if (!waitFor(fd, POLLOUT, deadline)) {
                result = ETIMEDOUT;
            } else {
                socklen_t length = sizeof result;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) != 0)
                    result = errno;
            }
        }
        if (result != 0) {
            lastError = result;
            ::close(fd);
            fd = -1;
            if (result == ETIMEDOUT)
                break;  // the time is spent; the other addresses get none
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0)
        return fd;
    if (lastError == ECONNREFUSED)
        *error = QStringLiteral("网络打印机%1拒绝连接。请检查IP地址和端口（一般是9100）是否写对、打印机是否开机。")
                     .arg(printer);
    else if (lastError == ETIMEDOUT)
        *error = silentText(printer, timeout) + QStringLiteral("也请检查IP地址是否写对。");
    else
        *error = QStringLiteral("连不上网络打印机%1（%2）。请检查打印机是否开机、网线是否接好、IP地址是否写对。")
                     .arg(printer, systemText(lastError));
    return -1;
}

QString sendToNetwork(const PrinterAddress& address, const QByteArray& bytes, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    QString error;
    const int fd = connectTo(address, deadline, timeout, &error);
    if (fd < 0)
        return error;
    const QString printer = address.text();
    error = writeAll(fd, printer, bytes, deadline, timeout, true);
    // Our end closes for writing and waits for the printer to close its end, as printers on port
    // 9100 do once they have the job; a reset instead means the printer dropped it. A printer
    // that keeps the link open has the bytes all the same, so running out of time here is no
    // fault.
    if (error.isEmpty() && ::shutdown(fd, SHUT_WR) != 0)
        error = halfWayText(printer, systemText(errno), bytes.size(), bytes.size());
    while (error.isEmpty() && waitFor(fd, POLLIN, deadline)) {
        char discard[256];
        const ssize_t n = ::recv(fd, discard, sizeof discard, 0);  // status bytes, if the printer sends any
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            error = halfWayText(printer, systemText(errno), bytes.size(), bytes.size());
    }
    ::close(fd);
    return error;
}

QString sendToCups(const QString& queue, const QByteArray& bytes, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    const QString printer = QStringLiteral("队列“%1”").arg(queue);
    QProcess lp;
    lp.start(QStringLiteral("lp"), {QStringLiteral("-d"), queue, QStringLiteral("-o"), QStringLiteral("raw")});
    if (!lp.waitForStarted(int(deadline.remainingTime())))
        return QStringLiteral("无法运行打印命令 lp（%1）。请安装 CUPS 的客户端（Debian 软件包 cups-client）。")
            .arg(lp.errorString());
    lp.write(bytes);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(int(deadline.remainingTime()))) {
        lp.kill();
        lp.waitForFinished(1000);
        return silentText(printer, timeout) + QStringLiteral("请检查 CUPS 打印服务是否在运行。");
    }
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
        return QStringLiteral("打印%1没有接受小票（lp：%2）。请检查队列名是否写对、CUPS 打印服务是否在运行。")
            .arg(printer, said.isEmpty() ? QStringLiteral("退出码 %1").arg(lp.exitCode()) : said);
    }
    return {};
}

}  // namespace

QString PrinterAddress::text() const {
    switch (kind) {
    case Kind::Device:
        return device;
    case Kind::Network:
        return (host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host) +
               QStringLiteral(":%1").arg(port);
    case Kind::CupsQueue:
        return kCupsPrefix + queue;
    }
    return {};
}

std::optional<PrinterAddress> parsePrinterAddress(const QString& given, QString* error) {
    const QString text = given.trimmed();
    PrinterAddress address;
    if (text.isEmpty()) {
        *error = QStringLiteral("没有设置小票打印机的连接：请填写设备（如 /dev/usb/lp0）、网络打印机（如 192.168.1.100:9100）"
                                "或 CUPS 队列（如 cups:receipt）。");
        return std::nullopt;
    }
    if (text.startsWith(QLatin1Char('/'))) {
        address.device = text;
        return address;
    }
    if (text.startsWith(kCupsPrefix)) {
        address.kind = PrinterAddress::Kind::CupsQueue;
        address.queue = text.mid(kCupsPrefix.size()).trimmed();
        if (address.queue.isEmpty()) {
            *error = QStringLiteral("“%1”中没有 CUPS 队列的名字（应写作 cups:队列名）。").arg(text);
            return std::nullopt;
        }
        return address;
    }
    address.kind = PrinterAddress::Kind::Network;
    QString host = text, port;
    if (text.startsWith(QLatin1Char('['))) {  // [IPv6]:port
        const int close = text.indexOf(QLatin1Char(']'));
        host = text.mid(1, close - 1);
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))) {
            *error = QStringLiteral("看不懂打印机的地址“%1”。").arg(text);
            return std::nullopt;
        }
        port = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
    }
    bool ok = true;
    const uint number = port.isEmpty() ? kRawPrintPort : port.toUInt(&ok);
    if (host.isEmpty() || !ok || number == 0 || number > 65535) {
        *error = QStringLiteral("看不懂打印机的地址“%1”：网络打印机应写作 IP地址:端口（如 192.168.1.100:9100），"
                                "设备以 / 开头（如 /dev/usb/lp0），CUPS 队列写作 cups:队列名。")
                     .arg(text);
        return std::nullopt;
    }
    address.host = host;
    address.port = quint16(number);
    return address;
}

QString deviceOpenErrorText(const QString& device, int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("找不到打印机设备“%1”。请检查打印机是否开机、USB线是否接好，设备名是否写对（一般是 /dev/usb/lp0）。")
            .arg(device);
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限写入打印机设备“%1”。当前用户必须在 lp 组中：请执行 sudo adduser 用户名 lp，"
                              "然后注销并重新登录。")
            .arg(device);
    case ENXIO:
    case ENODEV:
        return QStringLiteral("打印机设备“%1”后面没有打印机。请检查打印机是否开机、USB线是否接好。").arg(device);
    case EBUSY:
        return QStringLiteral("打印机设备“%1”正被别的程序使用，请稍后再打印。").arg(device);
    default:
        return QStringLiteral("无法打开打印机设备“%1”（%2）。").arg(device, systemText(error));
    }
}

QString sendToPrinter(const PrinterAddress& address, const QByteArray& bytes, std::chrono::milliseconds timeout) {
    switch (address.kind) {
    case PrinterAddress::Kind::Device:
        return sendToDevice(address.device, bytes, timeout);
    case PrinterAddress::Kind::Network:
        return sendToNetwork(address, bytes, timeout);
    case PrinterAddress::Kind::CupsQueue:
        return sendToCups(address.queue, bytes, timeout);
    }
    return {};
}
