#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

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

    bool Start() { return listen(QHostAddress::LocalHost, 0); }
    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void OnRead(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        requests.append(pending.left(end));
        m_pending.remove(socket);
        if (mode == Mode::Silent)
            return;
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(delayMs, this, [this, guarded] {
            if (guarded)
                Respond(guarded);
        });
    }

    void Respond(QTcpSocket* socket)
    {
        const qsizetype promised = mode == Mode::Truncated ? body.size() + 1000 : body.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\n" +
                          "Content-Type: text/plain; charset=utf-8\r\n" +
                          "Content-Length: " + QByteArray::number(promised) + "\r\n" + "Connection: close\r\n\r\n";
        socket->write(head + body);
        socket->flush();
        socket->disconnectFromHost();
    }

    QHash<QTcpSocket*, QByteArray> m_pending;
};
