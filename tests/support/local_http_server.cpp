#include "support/local_http_server.h"

#include <QHostAddress>
#include <QTcpSocket>

LocalHttpServer::LocalHttpServer() {
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onConnection);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("cannot listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
}

LocalHttpServer::~LocalHttpServer() { release(); }

QString LocalHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

QString LocalHttpServer::unreachableUrl(const QString& path) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

void LocalHttpServer::serve(const QString& path, const Response& response) { m_responses.insert(path, response); }

void LocalHttpServer::release() {
    const auto waiting = m_waiting;
    m_waiting.clear();
    for (const auto& [socket, path] : waiting)
        if (socket)
            answer(socket, path, QByteArray(), false);
    for (const QPointer<QTcpSocket>& socket : m_held)
        if (socket)
            socket->disconnectFromHost();
    m_held.clear();
}

void LocalHttpServer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
    }
}

void LocalHttpServer::onData(QTcpSocket* socket) {
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    QByteArray authorization;
    for (const QByteArray& line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "authorization")
            authorization = line.mid(colon + 1).trimmed();
    }
    const QString path = QString::fromUtf8(requestLine.value(1));
    requests << path;
    authorizations << authorization;
    answer(socket, path, authorization);
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path, const QByteArray& authorization,
                             bool holding) {
    Response response = m_responses.value(path, Response::with(404, "not found"));
    if (!response.login.isEmpty() && authorization != "Basic " + response.login.toBase64())
        response = Response::with(401, "login required");
    if (!holding)
        response.hold = Hold::None;
    if (response.hold == Hold::Silent) {
        m_waiting.append({QPointer<QTcpSocket>(socket), path});
        return;
    }
    const qint64 length = response.contentLength >= 0 ? response.contentLength : response.body.size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Canned\r\n";
    head += "Content-Type: application/octet-stream\r\n";
    if (response.announceLength)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    if (!response.lastModified.isEmpty())
        head += "Last-Modified: " + response.lastModified + "\r\n";
    if (response.status == 401)
        head += "WWW-Authenticate: Basic realm=\"tovrakel\"\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + response.body);
    if (response.hold == Hold::Partial) {
        m_held << socket;
        return;
    }
    socket->disconnectFromHost();
}
