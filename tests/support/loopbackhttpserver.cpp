#include "support/loopbackhttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace TestSupport {

bool LoopbackHttpServer::Settle(int timeoutMs)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, serverPort());
    if (!probe.waitForConnected(timeoutMs))
        return false;
    const quint16 port = probe.localPort();
    m_probePorts.insert(port);
    const bool accepted = QTest::qWaitFor([&] { return !m_probePorts.contains(port); }, timeoutMs);
    m_probePorts.remove(port);
    return accepted;
}

void LoopbackHttpServer::incomingConnection(qintptr handle)
{
    auto* socket = new QTcpSocket(this);
    socket->setSocketDescriptor(handle);
    if (m_probePorts.remove(socket->peerPort())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++connections;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRead(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void LoopbackHttpServer::OnRead(QTcpSocket* socket)
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

void LoopbackHttpServer::Respond(QTcpSocket* socket)
{
    const qsizetype promised = mode == Mode::Truncated ? body.size() + 1000 : body.size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\n" +
                      "Content-Type: text/plain; charset=utf-8\r\n" +
                      "Content-Length: " + QByteArray::number(promised) + "\r\n" + "Connection: close\r\n\r\n";
    socket->write(head + body);
    socket->flush();
    socket->disconnectFromHost();
}

} // namespace TestSupport
