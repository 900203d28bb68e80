#include "support/loopbackhttpserver.h"

#include "web/updatecheck.h"
#include "web/webfile.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using TestSupport::LoopbackHttpServer;
using UpdateCheck::Outcome;

Q_DECLARE_METATYPE(LoopbackHttpServer::Mode)
Q_DECLARE_METATYPE(UpdateCheck::Outcome)

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkAgainstServer_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<LoopbackHttpServer::Mode>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("message"); // exact, or a fragment of the could-not-complete text

        using M = LoopbackHttpServer::Mode;
        const QByteArray published =
            "\r\n  <html><VERSION>1.0.0.5</VERSION>\n<LASTUPDATED>March 3, 2015</LASTUPDATED>  \r\n";
        QTest::newRow("equal, answer padded") << "1.0.0.5" << M::Answer << 200 << published << Outcome::Latest
                                              << "You have the latest version of Listora! (Version: 1.0.0.5, "
                                                 "Released: March 3, 2015)";
        QTest::newRow("equal, blanks inside the element")
            << "1.0.0.5" << M::Answer << 200 << QByteArray("<VERSION> 1.0.0.5 </VERSION><LASTUPDATED>x</LASTUPDATED>")
            << Outcome::Latest << "You have the latest version of Listora! (Version:  1.0.0.5 , Released: x)";
        QTest::newRow("newer published") << "1.0.0.4" << M::Answer << 200 << published << Outcome::NewerAvailable
                                         << "A new version of Listora is available (Version: 1.0.0.5, Released: "
                                            "March 3, 2015).\nWould you like to download the latest version?";
        // The keys 1009 and 10010 compare as text, so 1.0.0.9 counts as the higher one.
        QTest::newRow("keys compare as text")
            << "1.0.0.9" << M::Answer << 200 << QByteArray("<VERSION>1.0.0.10</VERSION>") << Outcome::DevelopmentBuild
            << "You must be running a development build (1.0.0.9) > (1.0.0.10) of Listora";
        QTest::newRow("5xx body still read") << "1.0.0.5" << M::Answer << 503 << published << Outcome::Latest
                                             << "You have the latest version of Listora! (Version: 1.0.0.5, "
                                                "Released: March 3, 2015)";
        QTest::newRow("416 body still read") << "1.0.0.4" << M::Answer << 416 << published << Outcome::NewerAvailable
                                             << "A new version of Listora is available (Version: 1.0.0.5, Released: "
                                                "March 3, 2015).\nWould you like to download the latest version?";
        QTest::newRow("404") << "1.0.0.5" << M::Answer << 404 << published << Outcome::NotCompleted << "status 404";
        QTest::newRow("415") << "1.0.0.5" << M::Answer << 415 << published << Outcome::NotCompleted << "status 415";
        QTest::newRow("no VERSION element")
            << "1.0.0.5" << M::Answer << 200 << QByteArray("<html><body>Service moved</body></html>")
            << Outcome::NotCompleted << "did not contain a version number";
        QTest::newRow("empty VERSION element")
            << "1.0.0.5" << M::Answer << 200 << QByteArray("<VERSION>  </VERSION><LASTUPDATED>x</LASTUPDATED>")
            << Outcome::NotCompleted << "did not contain a version number";
        QTest::newRow("unclosed VERSION element") << "1.0.0.5" << M::Answer << 200 << QByteArray("<VERSION>1.0.0.5")
                                                  << Outcome::NotCompleted << "did not contain a version number";
        QTest::newRow("answer breaks off")
            << "1.0.0.5" << M::Truncated << 200 << published << Outcome::NotCompleted << "could not be completed";
    }

    void checkAgainstServer()
    {
        QFETCH(QString, own);
        QFETCH(LoopbackHttpServer::Mode, mode);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(Outcome, outcome);
        QFETCH(QString, message);

        LoopbackHttpServer server;
        server.mode = mode;
        server.status = status;
        server.body = body;
        QVERIFY(server.Start());

        const UpdateCheck::Result result = UpdateCheck::CheckForUpdates(own, server.BaseUrl());
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY2(server.requests.first().startsWith("GET /_checkUpdates.php?Id=Listora HTTP/1.1\r\n"),
                 server.requests.first().constData());

        const QString text = UpdateCheck::MessageText(result);
        if (outcome == Outcome::NotCompleted) {
            QVERIFY2(text.startsWith(QLatin1String("The check for updates could not be completed.")), qPrintable(text));
            QVERIFY2(text.contains(message), qPrintable(text));
            QCOMPARE(UpdateCheck::MessageType(result), UpdateCheck::TypeWarning);
        } else {
            QCOMPARE(text, message);
            QCOMPARE(UpdateCheck::MessageType(result),
                     outcome == Outcome::NewerAvailable ? UpdateCheck::TypeQuestion : UpdateCheck::TypeInformation);
        }
        QCOMPARE(UpdateCheck::Caption(), QStringLiteral("Check for Updates - Listora"));
    }

    void unreachableServer()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        const auto result = UpdateCheck::CheckForUpdates("1.0.0.5", QStringLiteral("http://127.0.0.1:%1").arg(port));
        QCOMPARE(result.outcome, Outcome::NotCompleted);
        QVERIFY(!result.strProblem.isEmpty());
    }

    void parseVersion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("parts");
        QTest::newRow("four") << "1.0.0.10" << QList<int>{1, 0, 0, 10};
        QTest::newRow("leading blanks per field") << " 3. 1.204.7 " << QList<int>{3, 1, 204, 7};
        QTest::newRow("stops at the first bad field") << "2.x.3.4" << QList<int>{2, 0, 0, 0};
        QTest::newRow("short") << "4.5" << QList<int>{4, 5, 0, 0};
        QTest::newRow("empty") << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("huge field is clamped") << "99999999999.1.1.1" << QList<int>{2147483647, 1, 1, 1};
    }

    void parseVersion()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, parts);
        const auto parsed = UpdateCheck::ParseVersion(text);
        QCOMPARE(QList<int>(parsed.begin(), parsed.end()), parts);
    }

    void requestIsUncachedAndNamesTheProgram()
    {
        LoopbackHttpServer server;
        server.body = "x";
        QVERIFY(server.Start());
        CXWebFile web;
        QString out;
        QVERIFY(web.Download(nullptr, server.BaseUrl() + "/page", out));
        QCOMPARE(out, QStringLiteral("x"));
        QCOMPARE(web.LastStatus(), 200);
        const QByteArray head = server.requests.value(0).toLower();
        QVERIFY2(head.contains(QByteArray("\r\nuser-agent: " + web.UserAgent().toLower().toUtf8() + "\r\n")),
                 head.constData());
        QVERIFY(web.UserAgent().startsWith(QLatin1String("Listora (http")));
        QVERIFY(head.contains("\r\npragma: no-cache\r\n"));
        QVERIFY(head.contains("\r\ncache-control: no-cache\r\n"));

        // A second download of the same address goes to the server again.
        QVERIFY(web.Download(nullptr, server.BaseUrl() + "/page", out));
        QCOMPARE(server.requests.size(), 2);
    }

    void characterSplitBetweenBlocksSurvives()
    {
        // "é" takes two bytes; this puts them on both sides of the first block's end.
        const QString expected = QString(CXWebFile::BlockSize - 1, QLatin1Char('a')) + QStringLiteral("é and ü") +
                                 QString(3 * CXWebFile::BlockSize, QLatin1Char('b'));
        LoopbackHttpServer server;
        server.body = expected.toUtf8();
        QVERIFY(server.Start());
        CXWebFile web;
        QString out;
        QVERIFY(web.Download(nullptr, server.BaseUrl(), out));
        QCOMPARE(out, expected);
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("over 2048 characters") << "http://127.0.0.1:1/" + QString(2040, QLatin1Char('a'));
        QTest::newRow("local file") << "file:///etc/hostname";
        QTest::newRow("no host") << "http:///x";
        QTest::newRow("not a URL") << "::";
    }

    void refusedAddresses()
    {
        QFETCH(QString, url);
        CXWebFile web;
        QString out = QStringLiteral("stale");
        QVERIFY(!web.Download(nullptr, url, out));
        QVERIFY(out.isEmpty());
        QVERIFY(!web.LastError().isEmpty());
    }

    void oversizedAnswerFails()
    {
        LoopbackHttpServer server;
        server.body = QByteArray(CXWebFile::MaxDownloadBytes + 1, 'z');
        QVERIFY(server.Start());
        CXWebFile web;
        QString out;
        QVERIFY(!web.Download(nullptr, server.BaseUrl(), out));
        QVERIFY(out.isEmpty());
    }

    void eventsRunWhileWaiting()
    {
        LoopbackHttpServer server;
        server.body = "<VERSION>1.0.0.5</VERSION>";
        server.delayMs = 400;
        QVERIFY(server.Start());
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        CXWebFile web;
        QString out;
        QVERIFY(web.Download(nullptr, server.BaseUrl(), out));
        QCOMPARE(out, QString::fromUtf8(server.body));
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    }

    // Five seconds bound reaching the server, not its answer: a server that has the request and
    // answers after six seconds is waited for.
    void slowAnswerIsWaitedFor()
    {
        LoopbackHttpServer server;
        server.body = "<VERSION>1.0.0.5</VERSION>";
        server.delayMs = CXWebFile::ConnectTimeoutMs + 1500;
        QVERIFY(server.Start());
        CXWebFile web;
        QString out;
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(web.Download(nullptr, server.BaseUrl(), out), qPrintable(web.LastError()));
        QCOMPARE(out, QString::fromUtf8(server.body));
        // The server's timer is coarse (it may fire 5 % early), but the wait outlasted the connect limit.
        QVERIFY(clock.elapsed() > CXWebFile::ConnectTimeoutMs);
    }

    void silentServerEndsAtTheOverallLimit()
    {
        LoopbackHttpServer server;
        server.mode = LoopbackHttpServer::Mode::Silent;
        QVERIFY(server.Start());
        CXWebFile web;
        web.SetOverallTimeout(2000);
        QString out;
        QVERIFY(!web.Download(nullptr, server.BaseUrl(), out));
        QVERIFY(out.isEmpty());
        QCOMPARE(web.LastError(), QStringLiteral("The server did not answer within 2 seconds."));
    }

    void cancelFlagEndsTheWait()
    {
        LoopbackHttpServer server;
        server.mode = LoopbackHttpServer::Mode::Silent;
        QVERIFY(server.Start());
        bool cancel = false;
        QTimer::singleShot(100, this, [&] { cancel = true; });
        CXWebFile web;
        QString out;
        QVERIFY(!web.Download(&cancel, server.BaseUrl(), out));
        QVERIFY2(web.LastError().contains(QLatin1String("cancelled")), qPrintable(web.LastError()));
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
