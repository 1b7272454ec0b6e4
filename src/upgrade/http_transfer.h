#pragma once
// HttpTransfer: one HTTP(S) GET at a time, into memory or into a file, on Qt's asynchronous
// network access so the user-interface thread never waits for the network.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>


#include <QNetworkReply>

// HttpLogin: the login sent with protected requests.
class HttpLogin : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QString HTTPUsername() const { return m_username; }
    QString HTTPPassword() const { return m_password; }
    // `host` limits the login to the server it was given for; empty: every server.
    void setLogin(const QString& username, const QString& password, const QString& host = {});
    // True when the login applies to that host.
    bool loginFor(const QString& host) const;

private:
    QString m_username;
    QString m_password;
    QString m_host;
};

class HttpTransfer : public HttpLogin {
    Q_OBJECT
public:
    enum class Outcome {
        Success,
        HostUnreachable,   // no response at all (status -1)
        HttpError,         // a status other than 200 and 401
        PasswordRequired,  // 401
        ConnectionLost,    // status 200 but the body broke off or fell short of its length
        TargetFailed,      // the download target could not be made or written
        TooLarge,          // an answer held in memory outgrew its limit
        LengthUnknown,     // a file came without Content-Length: nothing shows it is whole
    };
    Q_ENUM(Outcome)

    explicit HttpTransfer(QObject* parent = nullptr);
    ~HttpTransfer() override;

    // Starts a GET of `address` (http:// assumed without a scheme) into memory, or into the file
    // `targetPath` when it is given. Refused (false) while a transfer runs.
    bool startTransfer(const QString& address, const QString& targetPath = {});
    // Closes the connection at once; no outcome follows. The file being written is removed: a
    // piece of a file must never be put in place later.
    void abortTransfer();
    bool isBusy() const { return m_reply != nullptr; }

    QString address() const { return m_address; }
    QString host() const;
    QString targetPath() const { return m_targetPath; }
    int status() const { return m_status; }  // -1 without a response
    QByteArray body() const { return m_body; }
    qint64 contentLength() const { return m_contentLength; }  // 0 when not announced
    bool lengthAnnounced() const { return m_lengthAnnounced; }
    qint64 received() const { return m_received; }
    QDateTime lastModified() const { return m_lastModified; }
    QString targetError() const { return m_targetError; }
    qint64 elapsedSeconds() const { return m_clock.isValid() ? m_clock.elapsed() / 1000 : 0; }

    // The most an answer kept in memory may hold; a longer one ends as TooLarge.
    qint64 memoryLimit() const { return m_memoryLimit; }
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = qMax<qint64>(0, bytes); }
    static constexpr qint64 kDefaultMemoryLimit = 1024 * 1024;

    int transferBufferSize() const { return m_bufferSize; }
    void setTransferBufferSize(int bytes) { m_bufferSize = qMax(1, bytes); }
    // A transfer with no byte moving for this long ends as if the connection broke; 0: never.
    void setInactivityTimeout(int ms) { m_timeoutMs = ms; }
    // Hosts reached without the system's proxy, separated by ";" (loopback always is).
    void setProxyBypass(const QString& hosts);

signals:
    // File mode, status 200: the headers arrived (length, Last-Modified).
    void transferHeader();
    // After each block written.
    void transferProgress();
    // The transfer ended by itself; `outcome` says how.
    void transferFinished(HttpTransfer::Outcome outcome);

private:
    void onMetaData();
    void onReadyRead();
    void onFinished();
    int replyStatus() const;
    bool beginBody();
    void failTarget(const QString& why);
    void endEarly(Outcome outcome);
    void discardFile();
    void reset();

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    QString m_address;
    QString m_targetPath;
    QFile m_file;
    QByteArray m_body;
    bool m_bodyStarted = false;
    bool m_targetFailed = false;
    int m_status = -1;
    qint64 m_contentLength = 0;
    bool m_lengthAnnounced = false;
    qint64 m_received = 0;
    qint64 m_memoryLimit = kDefaultMemoryLimit;
    QDateTime m_lastModified;
    QString m_targetError;
    QElapsedTimer m_clock;
    int m_bufferSize = 4096;
    int m_timeoutMs = 60000;
};
