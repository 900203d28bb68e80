#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

namespace TestSupport {

// A real HTTP/1.1 server on 127.0.0.1 with one canned answer, served on the test's own event loop.
class LoopbackHttpServer : public QTcpServer
{
public:
    enum class Mode
    {
        Answer,    // status line, headers and the whole body
        Silent,    // accepts the connection and never says a word
        Truncated, // promises more body than it sends, then hangs up
    };

    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray body;
    int delayMs = 0;            // before the answer goes out
    QList<QByteArray> requests; // every request head received, in order
    int connections = 0;        // every connection accepted, Settle's own left out

    bool Start() { return listen(QHostAddress::LocalHost, 0); }
    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    // Returns once every connection made before the call has been accepted and counted, so that
    // "no connection came" is known, not guessed from a pause: the kernel hands connections over
    // in the order they arrived, and a probe of our own comes after them.
    bool Settle(int timeoutMs = 30000);

protected:
    void incomingConnection(qintptr handle) override;

private:
    void OnRead(QTcpSocket* socket);
    void Respond(QTcpSocket* socket);

    QHash<QTcpSocket*, QByteArray> m_pending;
    QSet<quint16> m_probePorts; // local ports of Settle's probes still to be accepted
};

} // namespace TestSupport
