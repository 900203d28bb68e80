#include "web/webfile.h"

#include "settings/appinfo.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

Q_LOGGING_CATEGORY(lcWeb, "listora.web", QtWarningMsg)

namespace {

// The system's proxy settings, except for the local machine: a proxy cannot reach our loopback.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        QHostAddress address;
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            (address.setAddress(host) && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return QNetworkProxyFactory::systemProxyForQuery(query);
    }
};

bool IsTransportError(QNetworkReply::NetworkError error)
{
    // Content (2xx codes) and server (4xx codes) errors only mirror the HTTP status, which has its own rule.
    const int code = int(error);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

} // namespace

CXWebFile::CXWebFile()
{
    Open();
}

CXWebFile::~CXWebFile() = default;

bool CXWebFile::Open()
{
    if (m_pManager)
        return true;
    m_pManager = std::make_unique<QNetworkAccessManager>();
    m_pManager->setProxyFactory(new SystemProxyFactory);
    m_pManager->setCache(nullptr);
    m_strUserAgent = AppInfo::DisplayName() + QLatin1String(" (") + AppInfo::SiteUrl() + QLatin1Char(')');
    return true;
}

bool CXWebFile::Download(const bool* pCancel, const QString& strUrl, QString& strOutput)
{
    strOutput.clear();
    m_strLastError.clear();
    m_nLastStatus = 0;
    const auto fail = [&](const QString& why) {
        strOutput.clear();
        m_strLastError = why;
        qCDebug(lcWeb) << "download of" << strUrl.left(200) << "failed:" << why;
        return false;
    };

    if (strUrl.size() > MaxUrlLength)
        return fail(QCoreApplication::translate("CXWebFile", "The web address is too long."));
    const QUrl url(strUrl, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return fail(QCoreApplication::translate("CXWebFile", "\"%1\" is not a web address.").arg(strUrl));
    if (!Open())
        return fail(QCoreApplication::translate("CXWebFile", "The network is not available."));

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_strUserAgent);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");

    QPointer<QNetworkReply> reply = m_pManager->get(request);
    const auto cleanup = qScopeGuard([&] {
        if (reply) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
    });

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Reaching the server is bounded by the connect limit; a server that has the request and answers
    // slowly is waited for, within the overall limit.
    QString strTimeout;
    const auto giveUp = [&](const QString& why) {
        if (reply && !reply->isFinished()) {
            strTimeout = why;
            reply->abort();
        }
    };
    QTimer connectLimit;
    connectLimit.setSingleShot(true);
    QObject::connect(&connectLimit, &QTimer::timeout, &loop, [&] {
        giveUp(QCoreApplication::translate("CXWebFile", "The server could not be reached within %1 seconds.")
                   .arg(ConnectTimeoutMs / 1000));
    });
    QTimer overallLimit;
    overallLimit.setSingleShot(true);
    QObject::connect(&overallLimit, &QTimer::timeout, &loop, [&] {
        giveUp(QCoreApplication::translate("CXWebFile", "The server did not answer within %1 seconds.")
                   .arg(m_nOverallTimeoutMs / 1000));
    });
    QObject::connect(reply, &QNetworkReply::requestSent, &connectLimit, &QTimer::stop);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &connectLimit, &QTimer::stop);
    QObject::connect(reply, &QNetworkReply::readyRead, &connectLimit, &QTimer::stop);
    connectLimit.start(ConnectTimeoutMs);
    overallLimit.start(m_nOverallTimeoutMs);

    QTimer cancelPoll;
    if (pCancel) {
        cancelPoll.setInterval(50);
        QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
            if (*pCancel)
                loop.quit();
        });
        cancelPoll.start();
    }

    // One decoder for the whole answer, so a character split between two blocks is put together again.
    QStringDecoder decoder(QStringDecoder::Utf8);
    bool statusChecked = false;
    qint64 received = 0;
    for (;;) {
        if (pCancel && *pCancel)
            return fail(QCoreApplication::translate("CXWebFile", "The download was cancelled."));
        if (!reply)
            return fail(QCoreApplication::translate("CXWebFile", "The download was interrupted."));
        const bool haveData = reply->bytesAvailable() > 0;
        if (!statusChecked && (haveData || reply->isFinished())) {
            statusChecked = true;
            m_nLastStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (IsFailureStatus(m_nLastStatus))
                return fail(
                    QCoreApplication::translate("CXWebFile", "The server answered with status %1.").arg(m_nLastStatus));
        }
        if (haveData) {
            const QByteArray block = reply->read(BlockSize);
            received += block.size();
            if (received > MaxDownloadBytes)
                return fail(QCoreApplication::translate("CXWebFile", "The server's answer is far too large."));
            strOutput += decoder.decode(block);
            QCoreApplication::processEvents();
            continue;
        }
        if (reply->isFinished())
            break;
        loop.exec();
    }

    if (!strTimeout.isEmpty())
        return fail(strTimeout);
    const QNetworkReply::NetworkError error = reply->error();
    if (IsTransportError(error)) {
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
            return fail(QCoreApplication::translate("CXWebFile", "The server did not answer in time."));
        return fail(QCoreApplication::translate("CXWebFile", "The connection to the server failed (%1).")
                        .arg(reply->errorString()));
    }
    return true;
}
