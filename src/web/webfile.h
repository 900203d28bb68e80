#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class QNetworkAccessManager;

// Downloads small text pages over HTTP on the calling (GUI) thread. While it waits, the event loop keeps
// running, so the window stays responsive and repaints.
class CXWebFile
{
public:
    static constexpr int MaxUrlLength = 2048;
    // The limit on reaching the server; once the request is out, a slow answer is waited for up to
    // the overall limit.
    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr int OverallTimeoutMs = 60000;
    static constexpr int BlockSize = 2048;
    // A status page is a few hundred bytes; anything near this is not the page we asked for.
    static constexpr qint64 MaxDownloadBytes = 4 * 1024 * 1024;

    CXWebFile();
    ~CXWebFile();
    Q_DISABLE_COPY_MOVE(CXWebFile)

    // Sets up the network session; does nothing when it is already open.
    bool Open();
    bool IsOpen() const { return m_pManager != nullptr; }

    // Fetches strUrl from the server (never from a cache) into strOutput. Fails for an over-long or
    // non-HTTP address, a server not reached within ConnectTimeoutMs, a download not done within the
    // overall limit, a status from 400 to 415, a transfer that breaks off, an oversized answer, or when
    // *pCancel becomes true while it runs (pCancel may be null). Other statuses, 5xx included, deliver
    // their body.
    bool Download(const bool* pCancel, const QString& strUrl, QString& strOutput);

    QString UserAgent() const { return m_strUserAgent; }
    // Why the last Download failed, in words fit for a message; empty after a success.
    QString LastError() const { return m_strLastError; }
    // The HTTP status of the last answer, 0 when none arrived.
    int LastStatus() const { return m_nLastStatus; }

    // The status rule: only these statuses mean the page is not there for us.
    static bool IsFailureStatus(int status) { return status >= 400 && status <= 415; }

    // Tests shorten the overall limit instead of waiting a minute.
    void SetOverallTimeout(int ms) { m_nOverallTimeoutMs = ms; }

private:
    std::unique_ptr<QNetworkAccessManager> m_pManager;
    QString m_strUserAgent;
    QString m_strLastError;
    int m_nLastStatus = 0;
    int m_nOverallTimeoutMs = OverallTimeoutMs;
};
