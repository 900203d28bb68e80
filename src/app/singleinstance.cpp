#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcInstance, "listora.instance", QtWarningMsg)

namespace {

const char kGuid[] = "{5B1E9F04-7A3C-4D28-B6E1-0C9A2F7D3E85}";

// A hand-over is a 4-byte big-endian length and that many bytes of UTF-8; the listener answers
// one byte once it has the whole text.
constexpr int kHeaderSize = 4;
// 255 UTF-16 units take at most 765 bytes of UTF-8; anything larger is not one of ours.
constexpr quint32 kMaxPayload = 3 * CSingleInstance::kMaxTextLength;
// Sent in place of a length when the text was too long to hand over, so the first instance can
// say so instead of silently doing nothing.
constexpr quint32 kTooLongMarker = 0xFFFFFFFEu;
constexpr char kAck = 'K';
constexpr int kConnectTimeoutMs = 1000;
constexpr int kAckTimeoutMs = 3000;
// A client that connects and then says nothing must not hold a connection for ever.
constexpr int kIdleClientMs = 5000;

QString UserTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    QString user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
#endif
}

QString QuoteArgument(const QString& arg)
{
    if (!arg.isEmpty() && !arg.contains(QLatin1Char(' ')) && !arg.contains(QLatin1Char('\t')) &&
        !arg.contains(QLatin1Char('"')))
        return arg;
    QString quoted = arg;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// True when a socket file at `path` may be someone else's: then we neither talk to it nor remove it.
bool OwnedByAnotherUser(const QString& path)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    return info.exists() && info.ownerId() != ::getuid();
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

// Owns the local server in a thread of its own, so a hand-over is answered even while the GUI
// thread is busy; the text then waits in the GUI thread's queue.
class CInstanceListener : public QThread
{
public:
    CInstanceListener(QString serverName, QObject* receiver, CSingleInstance* owner)
        : m_serverName(std::move(serverName)), m_receiver(receiver), m_owner(owner)
    {
    }

    // Starts the thread and returns once the server listens or has failed to.
    bool StartListening()
    {
        start();
        m_ready.acquire();
        return m_bListening;
    }

protected:
    void run() override
    {
        QLocalServer server;
        server.setSocketOptions(QLocalServer::UserAccessOption);
        m_bListening = server.listen(m_serverName);
        if (!m_bListening)
            qCWarning(lcInstance) << "cannot listen on" << m_serverName << server.errorString();
        m_ready.release();
        if (!m_bListening)
            return;
        QObject::connect(&server, &QLocalServer::newConnection, &server, [this, &server] {
            while (QLocalSocket* socket = server.nextPendingConnection())
                Serve(socket);
        });
        exec();
        // The server closes here, in its own thread, and removes its socket file.
    }

private:
    void Serve(QLocalSocket* socket)
    {
        QTimer::singleShot(kIdleClientMs, socket, [socket] { socket->abort(); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { ReadHandOver(socket); });
        if (socket->bytesAvailable() > 0)
            ReadHandOver(socket);
    }

    void ReadHandOver(QLocalSocket* socket)
    {
        if (socket->property("done").toBool()) {
            socket->readAll();
            return;
        }
        if (socket->bytesAvailable() < kHeaderSize)
            return;
        const QByteArray header = socket->peek(kHeaderSize);
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        const bool tooLong = length == kTooLongMarker;
        if (length > kMaxPayload && !tooLong) {
            qCWarning(lcInstance) << "refused a hand-over of" << length << "bytes";
            socket->abort();
            return;
        }
        const quint32 payload = tooLong ? 0 : length;
        if (socket->bytesAvailable() < kHeaderSize + qint64(payload))
            return;
        socket->read(kHeaderSize);
        QString text = QString::fromUtf8(socket->read(payload));
        if (text.size() > CSingleInstance::kMaxTextLength)
            text.clear();
        socket->setProperty("done", true);
        socket->write(&kAck, 1);
        socket->flush();
        CSingleInstance* owner = m_owner;
        QMetaObject::invokeMethod(
            m_receiver,
            [owner, text, tooLong] {
                owner->OnWakeUp(text);
                Q_EMIT owner->HandOvers()->HandedOver(text, tooLong);
            },
            Qt::QueuedConnection);
    }

    const QString m_serverName;
    QObject* const m_receiver;
    CSingleInstance* const m_owner;
    QSemaphore m_ready;
    bool m_bListening = false;
};

class CSingleInstanceImpl
{
public:
    ~CSingleInstanceImpl()
    {
        if (m_pListener) {
            m_pListener->quit();
            m_pListener->wait();
        }
    }

    CHandOverNotifier m_receiver; // lives in the GUI thread; wake-ups still queued die with it
    std::unique_ptr<CInstanceListener> m_pListener;
    QPointer<QWindow> m_pMainWindow;
    bool m_bListening = false;
};

CSingleInstance::CSingleInstance() : m_pImpl(std::make_unique<CSingleInstanceImpl>()) {}

namespace {
CSingleInstance* g_listening = nullptr;
}

CSingleInstance::~CSingleInstance()
{
    if (g_listening == this)
        g_listening = nullptr;
}

CHandOverNotifier* CSingleInstance::HandOvers() const
{
    return &m_pImpl->m_receiver;
}

CSingleInstance* CSingleInstance::Listening()
{
    return g_listening;
}

QString CSingleInstance::ServerName()
{
    const QString name = QLatin1String(kGuid) + QLatin1Char('-') + UserTag();
#ifdef Q_OS_UNIX
    // The runtime folder is the user's own (mode 0700); /tmp is everyone's.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(name);
#endif
    return name;
}

QString CSingleInstance::CommandLineText()
{
    QStringList parts;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (i > 0 && !arg.startsWith(QLatin1Char('-')) && QFileInfo(arg).isRelative() && QFileInfo::exists(arg))
            arg = QFileInfo(arg).absoluteFilePath();
        parts.append(QuoteArgument(arg));
    }
    return parts.join(QLatin1Char(' '));
}

QStringList CSingleInstance::SplitCommandLineText(const QString& text)
{
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += QLatin1Char('"');
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArg)
                args.append(current);
            current.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.append(current);
    return args;
}

bool CSingleInstance::ClaimInstance()
{
    return ClaimInstance(CommandLineText());
}

bool CSingleInstance::ClaimInstance(const QString& commandLine)
{
    if (m_pImpl->m_pListener)
        return true;
    const QString serverName = ServerName();

    // Two starts at the same moment must not both find no server and both become first.
    const QString lockName = serverName + QStringLiteral(".lock");
    QLockFile claimLock(QFileInfo(lockName).isAbsolute() ? lockName : QDir::temp().filePath(lockName));
    claimLock.setStaleLockTime(10000);
    const bool locked = claimLock.tryLock(5000);
    if (!locked)
        qCWarning(lcInstance) << "claiming without the lock:" << claimLock.error();

    const bool foreign = OwnedByAnotherUser(serverName);
    if (!foreign) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            const bool tooLong = commandLine.size() > kMaxTextLength;
            const QByteArray payload = tooLong ? QByteArray() : commandLine.toUtf8().left(kMaxPayload);
            char header[kHeaderSize];
            qToBigEndian<quint32>(tooLong ? kTooLongMarker : quint32(payload.size()), header);
            socket.write(header, kHeaderSize);
            socket.write(payload);
            socket.waitForBytesWritten(kAckTimeoutMs);
            // The first instance runs either way; the answer only says it took the text in time.
            if (!socket.waitForReadyRead(kAckTimeoutMs) || socket.read(1) != QByteArray(1, kAck))
                qCWarning(lcInstance) << "the running instance did not confirm the hand-over";
            socket.disconnectFromServer();
            return false;
        }
        // A socket file nobody listens on is what a crashed first instance leaves behind.
        QLocalServer::removeServer(serverName);
    }

    m_pImpl->m_pListener = std::make_unique<CInstanceListener>(serverName, &m_pImpl->m_receiver, this);
    m_pImpl->m_bListening = m_pImpl->m_pListener->StartListening();
    if (m_pImpl->m_bListening)
        g_listening = this;
    // Without a listener the program still runs: refusing to start would be worse than a second copy.
    return true;
}

bool CSingleInstance::IsListening() const
{
    return m_pImpl->m_bListening;
}

void CSingleInstance::SetMainWindow(QWindow* window)
{
    m_pImpl->m_pMainWindow = window;
}

QWindow* CSingleInstance::MainWindow() const
{
    return m_pImpl->m_pMainWindow;
}

void CSingleInstance::OnWakeUp(const QString& text)
{
    Q_UNUSED(text);
    QWindow* window = m_pImpl->m_pMainWindow;
    if (!window)
        return;
    // Restore only from minimised: a maximised window stays maximised.
    if (window->windowStates() & Qt::WindowMinimized)
        window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    window->raise();
    window->requestActivate();
}
