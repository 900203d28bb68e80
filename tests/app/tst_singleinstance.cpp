#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QtEndian>

#include <memory>
#include <vector>

namespace {

// One run of the helper program.
class CInstanceRun
{
public:
    explicit CInstanceRun(const QStringList& args = {})
    {
        m_process.setProgram(QStringLiteral(INSTANCE_HELPER));
        m_process.setArguments(args);
        m_process.start();
    }
    ~CInstanceRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits until the program has printed `line` (a whole line) and says whether it did.
    bool WaitForLine(const QString& line, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (true) {
            m_output += QString::fromUtf8(m_process.readAllStandardOutput());
            if (m_output.split(QLatin1Char('\n')).contains(line))
                return true;
            if (deadline.hasExpired() || (m_process.state() == QProcess::NotRunning && !m_process.bytesAvailable()))
                return false;
            m_process.waitForReadyRead(100);
        }
    }
    bool Finish(int timeoutMs = 10000)
    {
        return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    }
    int ExitCode() const { return m_process.exitCode(); }
    QString Output()
    {
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_output;
    }
    // Ends the first instance the normal way.
    void CloseInput() { m_process.closeWriteChannel(); }
    void Kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
    QString m_output;
};

// A later start: it must end at once as a second instance.
void ExpectSecond(const QStringList& args)
{
    CInstanceRun second(args);
    QVERIFY2(second.Finish(), "a second start must end by itself");
    QCOMPARE(second.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.ExitCode(), 3);
    QCOMPARE(second.Output(), QStringLiteral("SECOND\n"));
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A socket left by the previous case's killed process must not pass for a running instance.
    void init() { QLocalServer::removeServer(CSingleInstance::ServerName()); }

    void secondStartsHandOverAndEnd()
    {
        CInstanceRun first;
        QVERIFY(first.WaitForLine(QStringLiteral("FIRST")));

        const QString socketPath = CSingleInstance::ServerName();
        const QFileInfo socket(socketPath);
        QVERIFY(socket.exists());
        QCOMPARE(socket.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                                          QFile::WriteUser | QFile::ExeUser),
                 QFile::Permissions());

        ExpectSecond({QStringLiteral("open"), QStringLiteral("My Flyer")});
        QVERIFY(first.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) +
                                  QStringLiteral(" open \"My Flyer\"")));

        // Any number of wake-ups.
        ExpectSecond({QStringLiteral("third")});
        QVERIFY(
            first.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" third")));
        ExpectSecond({QStringLiteral("fourth")});
        QVERIFY(
            first.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" fourth")));

        // Too long to hand over: the first is woken all the same, with no text, and learns why.
        ExpectSecond({QString(300, QLatin1Char('x'))});
        QVERIFY(first.WaitForLine(QStringLiteral("WAKE:")));
        QVERIFY(first.WaitForLine(QStringLiteral("TOOLONG")));
        // A text that fits is no refusal.
        ExpectSecond({QStringLiteral("short")});
        QVERIFY(
            first.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" short")));
        QCOMPARE(first.Output().count(QStringLiteral("TOOLONG")), 1);

        QVERIFY(first.Process().state() == QProcess::Running);
        first.CloseInput();
        QVERIFY(first.Finish());
        QCOMPARE(first.ExitCode(), 0);
        QVERIFY2(!QFileInfo::exists(socketPath), "a clean exit removes the socket");
    }

    // What the listener gets is not trusted: a lying length or a silent client harms nothing.
    void badClientsDoNoHarm()
    {
        CInstanceRun first;
        QVERIFY(first.WaitForLine(QStringLiteral("FIRST")));

        QLocalSocket huge;
        huge.connectToServer(CSingleInstance::ServerName());
        QVERIFY(huge.waitForConnected(3000));
        char header[4];
        qToBigEndian<quint32>(0xffffffffu, header);
        huge.write(header, 4);
        huge.write(QByteArray(4096, 'a'));
        huge.waitForBytesWritten(3000);
        QVERIFY2(huge.waitForDisconnected(5000), "an oversized hand-over is cut off");

        QLocalSocket silent;
        silent.connectToServer(CSingleInstance::ServerName());
        QVERIFY(silent.waitForConnected(3000));

        ExpectSecond({QStringLiteral("after")});
        QVERIFY(
            first.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" after")));
        QVERIFY(!first.Output().contains(QStringLiteral("WAKE:a")));
    }

    void startAfterTheFirstEndedIsFirst()
    {
        {
            CInstanceRun first;
            QVERIFY(first.WaitForLine(QStringLiteral("FIRST")));
            first.CloseInput();
            QVERIFY(first.Finish());
        }
        CInstanceRun next;
        QVERIFY(next.WaitForLine(QStringLiteral("FIRST")));
        ExpectSecond({QStringLiteral("again")});
        QVERIFY(next.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" again")));
    }

    void startAfterTheFirstWasKilledIsFirst()
    {
        {
            CInstanceRun first;
            QVERIFY(first.WaitForLine(QStringLiteral("FIRST")));
            first.Kill();
        }
        QVERIFY2(QFileInfo::exists(CSingleInstance::ServerName()), "the killed instance left its socket behind");
        CInstanceRun next;
        QVERIFY(next.WaitForLine(QStringLiteral("FIRST")));
        ExpectSecond({QStringLiteral("again")});
        QVERIFY(next.WaitForLine(QStringLiteral("WAKE:") + QStringLiteral(INSTANCE_HELPER) + QStringLiteral(" again")));
    }

    // The program itself: a second start ends at once, without a window, and the first runs on.
    void programStartsOnce()
    {
        QProcess first;
        first.start(QStringLiteral(LISTORA_BIN_DIR "/listora"), {});
        QVERIFY(first.waitForStarted());
        auto cleanup = qScopeGuard([&] {
            first.kill();
            first.waitForFinished(10000);
        });
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(CSingleInstance::ServerName()), 20000);

        for (int n = 0; n < 2; ++n) {
            QProcess second;
            second.start(QStringLiteral(LISTORA_BIN_DIR "/listora"), {QStringLiteral("again")});
            QVERIFY(second.waitForFinished(20000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(second.readAllStandardError(), QByteArray());
        }
        QCOMPARE(first.state(), QProcess::Running);
    }

    void simultaneousStartsYieldOneFirst()
    {
        std::vector<std::unique_ptr<CInstanceRun>> runs;
        for (int n = 0; n < 5; ++n)
            runs.push_back(std::make_unique<CInstanceRun>(QStringList{QString::number(n)}));
        int firsts = 0, seconds = 0;
        for (auto& run : runs) {
            if (run->WaitForLine(QStringLiteral("FIRST"), 10000))
                ++firsts;
            else if (run->Finish() && run->ExitCode() == 3)
                ++seconds;
        }
        QCOMPARE(firsts, 1);
        QCOMPARE(seconds, 4);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
