#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests: each path answers with a canned status, body
// and headers; answers can be held back or cut short to imitate a slow or broken connection.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Hold {
        None,     // the whole answer, then the connection is closed
        Silent,   // the answer waits for release()
        Partial,  // status, headers and the body are sent, the connection stays open until release()
    };
    struct Response {
        int status = 200;
        QByteArray body;
        qint64 contentLength = -1;  // announced length; -1: the body's size
        bool announceLength = true;  // false: no Content-Length, the body ends with the connection
        QByteArray lastModified;    // Last-Modified header when not empty
        QByteArray login;           // "user:password" required by Basic authentication
        Hold hold = Hold::None;

        static Response with(int status, const QByteArray& body) {
            Response r;
            r.status = status;
            r.body = body;
            return r;
        }
    };

    LocalHttpServer();
    ~LocalHttpServer() override;

    QString url(const QString& path) const;
    void serve(const QString& path, const Response& response);
    void serve(const QString& path, const QByteArray& body) { serve(path, Response::with(200, body)); }
    // Sends the answers held back so far and closes the connections of cut-short ones.
    void release();
    int held() const { return int(m_held.size() + m_waiting.size()); }

    // Paths asked for, in order, and the Authorization header that came with each.
    QStringList requests;
    QList<QByteArray> authorizations;

    // An address on 127.0.0.1 where nothing listens.
    static QString unreachableUrl(const QString& path);

private:
    void onConnection();
    void onData(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path, const QByteArray& authorization, bool holding = true);

    QHash<QString, Response> m_responses;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
    QList<QPair<QPointer<QTcpSocket>, QString>> m_waiting;  // silent answers and their paths
    QTcpServer m_server;  // last: its sockets go while the tables above still exist
};
