// The helpers other tests lean on: a helper that cannot fail would hide every fault behind it.
#include "support/childprocess.h"
#include "support/folders.h"
#include "support/loopbackhttpserver.h"
#include "support/pictures.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using TestSupport::ChildOptions;
using TestSupport::ChildRun;
using TestSupport::RunChild;

class TestTestSupport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void childOutcomes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("exit status") << "echo out; echo err >&2; exit 3" << 3 << false;
        QTest::newRow("crash") << "kill -9 $$" << -1 << false;
        QTest::newRow("hang") << "exec sleep 60" << -1 << true;
    }
    void childOutcomes()
    {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(bool, timedOut);
        const ChildRun run =
            RunChild(QStringLiteral("sh"), {QStringLiteral("-c"), script}, {.timeoutMs = timedOut ? 1000 : 30000});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.timedOut, timedOut);
        if (exitCode == 3) {
            QCOMPARE(run.out, QByteArray("out\n"));
            QCOMPARE(run.err, QByteArray("err\n"));
        }
        if (timedOut)
            QVERIFY2(run.err.contains("killed after 1000 ms"), run.err.constData());
    }

    void childInputAndEnvironment()
    {
        qputenv("LISTORA_SUPPORT_GONE", "still here");
        const ChildOptions options{
            .input = "typed\n",
            .env = {QStringLiteral("LISTORA_SUPPORT_SET=a=b"), QStringLiteral("LISTORA_SUPPORT_GONE")},
            .mergeChannels = true};
        const ChildRun run =
            RunChild(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QStringLiteral("cat; echo \"[$LISTORA_SUPPORT_SET]\" >&2; "
                                                           "echo \"[${LISTORA_SUPPORT_GONE-unset}]\"")},
                     options);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("typed\n[a=b]\n[unset]\n"));

        const ChildRun clean = RunChild(QStringLiteral("/bin/sh"),
                                        {QStringLiteral("-c"), QStringLiteral("echo \"[$HOME]\"")}, {.cleanEnv = true});
        QCOMPARE(clean.out, QByteArray("[]\n"));

        QTemporaryDir folder;
        const ChildRun there = RunChild(QStringLiteral("pwd"), {}, {.workingDir = folder.path()});
        QCOMPARE(there.Out().trimmed(), QDir(folder.path()).canonicalPath());
    }

    // Folders and files at every depth, contents intact; copying onto files that exist fails.
    void copyTree()
    {
        QTemporaryDir from, to;
        QVERIFY(QDir(from.path()).mkpath(QStringLiteral("a/b/empty")));
        for (const char* name : {"top.txt", "a/b/deep.txt"}) {
            QFile file(from.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name);
        }
        QVERIFY(TestSupport::CopyTree(from.path(), to.path()));
        QVERIFY(QFileInfo(to.filePath(QStringLiteral("a/b/empty"))).isDir());
        QFile deep(to.filePath(QStringLiteral("a/b/deep.txt")));
        QVERIFY(deep.open(QIODevice::ReadOnly));
        QCOMPARE(deep.readAll(), QByteArray("a/b/deep.txt"));
        QVERIFY(!TestSupport::CopyTree(from.path(), to.path())); // the files are there already
    }

    void gradientEnergy()
    {
        QImage picture(2, 2, QImage::Format_Grayscale8);
        picture.fill(Qt::white);
        QCOMPARE(TestSupport::GradientEnergy(picture), 0.0);
        // One dark corner: a step of 255 to its right and one below it.
        picture.setPixelColor(0, 0, Qt::black);
        QCOMPARE(TestSupport::GradientEnergy(picture), 2.0 * 255 * 255);
    }

    void missingProgram()
    {
        const ChildRun run = RunChild(QStringLiteral("/nonexistent/listora-nothing"), {});
        QCOMPARE(run.exitCode, -1);
        QVERIFY2(run.err.contains("did not start"), run.err.constData());
    }

    // Connections made just before are counted once Settle returns, with no pause of any length.
    void settleCountsEveryEarlierConnection()
    {
        TestSupport::LoopbackHttpServer server;
        QVERIFY(server.Start());
        QVERIFY(server.Settle());
        QCOMPARE(server.connections, 0);
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < 5; ++i) {
            clients.push_back(std::make_unique<QTcpSocket>());
            clients.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
            QVERIFY(clients.back()->waitForConnected(5000));
        }
        QVERIFY(server.Settle());
        QCOMPARE(server.connections, 5);
    }
};

QTEST_GUILESS_MAIN(TestTestSupport)
#include "tst_testsupport.moc"
