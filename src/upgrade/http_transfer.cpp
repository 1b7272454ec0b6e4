#include "upgrade/http_transfer.h"

#include "upgrade/update_info.h"

#include <QAuthenticator>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// The system's proxy settings, except for the hosts of the bypass list and the machine itself.
class BypassProxyFactory : public QNetworkProxyFactory {
public:
    QStringList bypass{QStringLiteral("127.0.0.1")};

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || address.isLoopback() ||
            bypass.contains(host, Qt::CaseInsensitive))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

const char kAgent[] = "Tovrakel-Updater/" TOVRAKEL_VERSION;

}  // namespace

void HttpLogin::setLogin(const QString& username, const QString& password, const QString& host) {
    m_username = username;
    m_password = password;
    m_host = host;
}

bool HttpLogin::loginFor(const QString& host) const {
    if (m_username.isEmpty() && m_password.isEmpty())
        return false;
    return m_host.isEmpty() || m_host.compare(host, Qt::CaseInsensitive) == 0;
}

HttpTransfer::HttpTransfer(QObject* parent)
    : HttpLogin(parent), m_manager(new QNetworkAccessManager(this)) {
    m_manager->setProxyFactory(new BypassProxyFactory);
    // A 401 is answered by our own password step, never by a stored login.
    connect(m_manager, &QNetworkAccessManager::authenticationRequired, this, [](QNetworkReply*, QAuthenticator*) {});
}

HttpTransfer::~HttpTransfer() { abortTransfer(); }

void HttpTransfer::setProxyBypass(const QString& hosts) {
    QStringList list{QStringLiteral("127.0.0.1")};
    for (const QString& h : hosts.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        list << h.trimmed();
    auto* factory = new BypassProxyFactory;
    factory->bypass = list;
    m_manager->setProxyFactory(factory);
}

QString HttpTransfer::host() const { return QUrl(withScheme(m_address)).host(); }

void HttpTransfer::reset() {
    m_body.clear();
    m_bodyStarted = false;
    m_targetFailed = false;
    m_status = -1;
    m_contentLength = 0;
    m_lengthAnnounced = false;
    m_received = 0;
    m_lastModified = QDateTime();
    m_targetError.clear();
    m_clock.invalidate();
}

bool HttpTransfer::startTransfer(const QString& address, const QString& targetPath) {
    if (isBusy())
        return false;
    reset();
    m_address = address;
    m_targetPath = targetPath;

    QUrl url(withScheme(address), QUrl::TolerantMode);
    // A login written into the address counts instead of ours.
    QString user = url.userName();
    QString password = url.password();
    url.setUserInfo(QString());
    if (user.isEmpty() && password.isEmpty() && loginFor(url.host())) {
        user = HTTPUsername();
        password = HTTPPassword();
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kAgent));
    request.setRawHeader("Accept", "text/html, */*");
    // The length we check the body against must be the length of what we store.
    request.setRawHeader("Accept-Encoding", "identity");
    if (!user.isEmpty() || !password.isEmpty())
        request.setRawHeader("Authorization", "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64());
    if (targetPath.isEmpty()) {
        // The info file is always fetched fresh.
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setRawHeader("Pragma", "no-cache");
        request.setRawHeader("Cache-Control", "no-cache");
    }
    request.setTransferTimeout(m_timeoutMs);

    // An older file of that name (say a piece of an interrupted attempt) must not survive a
    // failed download and be put in place later.
    if (!targetPath.isEmpty())
        QFile::remove(targetPath);

    m_clock.start();
    m_reply = m_manager->get(request);
    m_reply->setReadBufferSize(0);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpTransfer::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpTransfer::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &HttpTransfer::onFinished);
    return true;
}

void HttpTransfer::abortTransfer() {
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    discardFile();
}

int HttpTransfer::replyStatus() const {
    if (!m_reply)
        return -1;
    const QVariant code = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (code.isValid())
        return code.toInt();
    // Local files have no status line: found or not found.
    if (m_reply->url().isLocalFile())
        return m_reply->error() == QNetworkReply::NoError ? 200 : 404;
    return -1;
}

void HttpTransfer::onMetaData() {
    if (replyStatus() == 200)
        beginBody();
}

// Headers of a 200 answer are in: take the length and date and make the target.
bool HttpTransfer::beginBody() {
    if (m_bodyStarted)
        return !m_targetFailed;
    m_bodyStarted = true;
    m_status = 200;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_lengthAnnounced = length.isValid();
    m_contentLength = qMax<qint64>(0, length.toLongLong());
    m_lastModified = m_reply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
    if (m_targetPath.isEmpty()) {
        // Refused before a byte is read: what we keep in memory has a bound.
        if (m_contentLength > m_memoryLimit) {
            endEarly(Outcome::TooLarge);
            return false;
        }
        return true;
    }
    emit transferHeader();
    if (!m_reply)
        return false;  // aborted from the header step
    m_file.setFileName(m_targetPath);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        failTarget(m_file.errorString());
        return false;
    }
    return true;
}

// Ends the transfer at once; the outcome is reported from the event loop, not from inside the
// reply's own signal.
void HttpTransfer::failTarget(const QString& why) {
    m_targetFailed = true;
    m_targetError = why;
    endEarly(Outcome::TargetFailed);
}

void HttpTransfer::endEarly(Outcome outcome) {
    m_targetFailed = true;
    m_body.clear();
    abortTransfer();
    QMetaObject::invokeMethod(
        this, [this, outcome] { emit transferFinished(outcome); }, Qt::QueuedConnection);
}

void HttpTransfer::onReadyRead() {
    if (!m_reply)
        return;
    if (replyStatus() != 200) {
        m_reply->readAll();  // an error page is not the file
        return;
    }
    if (!beginBody() || !m_reply)
        return;
    while (m_reply && m_reply->bytesAvailable() > 0) {
        const QByteArray block = m_reply->read(m_bufferSize);
        if (block.isEmpty())
            break;
        if (m_targetPath.isEmpty()) {
            if (m_body.size() + block.size() > m_memoryLimit) {
                endEarly(Outcome::TooLarge);
                return;
            }
            m_body += block;
        } else if (m_file.write(block) != block.size()) {
            failTarget(m_file.errorString());
            return;
        }
        m_received += block.size();
        emit transferProgress();
    }
}

void HttpTransfer::discardFile() {
    if (m_file.isOpen())
        m_file.close();
    if (!m_targetPath.isEmpty() && m_bodyStarted)
        QFile::remove(m_targetPath);
}

void HttpTransfer::onFinished() {
    if (!m_reply)
        return;
    onReadyRead();  // whatever is left of the body
    if (!m_reply)
        return;  // the target failed while writing it
    QNetworkReply* reply = m_reply;
    const int status = replyStatus();
    const QNetworkReply::NetworkError error = reply->error();
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    m_status = status;

    Outcome outcome;
    if (status == -1) {
        outcome = Outcome::HostUnreachable;
    } else if (status == 401) {
        outcome = Outcome::PasswordRequired;
    } else if (status != 200) {
        outcome = Outcome::HttpError;
    } else if (error != QNetworkReply::NoError || (m_lengthAnnounced && m_received != m_contentLength)) {
        outcome = Outcome::ConnectionLost;
    } else if (!m_targetPath.isEmpty() && !m_lengthAnnounced) {
        // A connection closed early looks just like the end of such a file.
        outcome = Outcome::LengthUnknown;
    } else {
        outcome = Outcome::Success;
    }

    if (m_file.isOpen()) {
        if (outcome == Outcome::Success) {
            if (!m_file.flush()) {
                outcome = Outcome::TargetFailed;
                m_targetError = m_file.errorString();
            } else if (m_lastModified.isValid()) {
                m_file.setFileTime(m_lastModified, QFileDevice::FileModificationTime);
                m_file.setFileTime(m_lastModified, QFileDevice::FileAccessTime);
            }
            m_file.close();
            if (outcome == Outcome::Success && m_file.error() != QFileDevice::NoError) {
                outcome = Outcome::TargetFailed;
                m_targetError = m_file.errorString();
            }
        } else {
            m_file.close();
        }
    }
    // Only a whole file stays.
    if (outcome != Outcome::Success && !m_targetPath.isEmpty())
        QFile::remove(m_targetPath);
    emit transferFinished(outcome);
}
