#include "support/loopbackhttpserver.h"
#include "support/urlcatcher.h"

#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "settings/appsettings.h"
#include "web/helptopic.h"
#include "web/ui/helpviewer.h"
#include "web/ui/updatecheckui.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

using TestSupport::LoopbackHttpServer;

class TestWebUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_catcher.urls.clear();
        CXMessageBoxTest::Clear();
    }

    void updateCheckTellsTheUser_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("answer");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QString>("text"); // the start of the message
        QTest::addColumn<bool>("opensDownloadPage");

        const QByteArray published = " <VERSION>1.0.0.5</VERSION> <LASTUPDATED>March 3, 2015</LASTUPDATED> ";
        QTest::newRow("latest") << "1.0.0.5" << 200 << published << int(MsgBox::IdOK) << quint32(0x40)
                                << "You have the latest version of Listora! (Version: 1.0.0.5, Released: March 3, "
                                   "2015)"
                                << false;
        QTest::newRow("newer, Yes") << "1.0.0.4" << 200 << published << int(MsgBox::IdYes) << quint32(0x44)
                                    << "A new version of Listora is available (Version: 1.0.0.5, Released: March 3, "
                                       "2015).\nWould you like to download the latest version?"
                                    << true;
        QTest::newRow("newer, No") << "1.0.0.4" << 200 << published << int(MsgBox::IdNo) << quint32(0x44)
                                   << "A new version of Listora is available" << false;
        QTest::newRow("development build")
            << "1.0.0.9" << 200 << QByteArray("<VERSION>1.0.0.10</VERSION>") << int(MsgBox::IdOK) << quint32(0x40)
            << "You must be running a development build (1.0.0.9) > (1.0.0.10) of Listora" << false;
        QTest::newRow("404") << "1.0.0.5" << 404 << published << int(MsgBox::IdOK) << quint32(0x30)
                             << "The check for updates could not be completed." << false;
        QTest::newRow("no VERSION") << "1.0.0.5" << 200 << QByteArray("<html>Moved</html>") << int(MsgBox::IdOK)
                                    << quint32(0x30) << "The check for updates could not be completed." << false;
    }

    void updateCheckTellsTheUser()
    {
        QFETCH(QString, own);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, answer);
        QFETCH(quint32, type);
        QFETCH(QString, text);
        QFETCH(bool, opensDownloadPage);

        LoopbackHttpServer server;
        server.status = status;
        server.body = body;
        QVERIFY(server.Start());
        QWidget owner;
        CXMessageBoxTest::AnswerNext(answer);
        RunUpdateCheck(&owner, own, server.BaseUrl());

        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].caption, QStringLiteral("Check for Updates - Listora"));
        QCOMPARE(asked[0].type, type);
        QVERIFY2(asked[0].text.startsWith(text), qPrintable(asked[0].text));
        QCOMPARE(m_catcher.urls,
                 opensDownloadPage ? QList<QUrl>{QUrl(server.BaseUrl() + "/Products.php")} : QList<QUrl>{});
    }

    void secondCheckWhileOneRunsDoesNothing()
    {
        LoopbackHttpServer server;
        server.body = "<VERSION>1.0.0.5</VERSION>";
        server.delayMs = 300;
        QVERIFY(server.Start());
        QWidget owner;
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QTimer::singleShot(50, this, [&] { RunUpdateCheck(&owner, "1.0.0.5", server.BaseUrl()); });
        RunUpdateCheck(&owner, "1.0.0.5", server.BaseUrl());
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 1);
        QCOMPARE(CXMessageBoxTest::PendingAnswers(), 1);
    }

    void ownerClosedDuringTheCheckGetsNoBox()
    {
        LoopbackHttpServer server;
        server.body = "<VERSION>1.0.0.5</VERSION>";
        server.delayMs = 300;
        QVERIFY(server.Start());
        auto* owner = new QWidget;
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QTimer::singleShot(50, this, [owner] { delete owner; });
        RunUpdateCheck(owner, "1.0.0.5", server.BaseUrl());
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
    }

    void helpOpensTheTopicFile()
    {
        CAppSettings settings;
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + "/Help";
        QVERIFY(OpenHelpTopic(nullptr, settings, QString::fromLatin1(HelpTopic::Opening)));
        QVERIFY(OpenHelpTopic(nullptr, settings));
        QCOMPARE(m_catcher.urls.size(), 2);
        QCOMPARE(m_catcher.urls[0], QUrl::fromLocalFile(settings.Path2Help + "/Opening.htm"));
        QCOMPARE(m_catcher.urls[1], QUrl::fromLocalFile(settings.Path2Help + "/index.htm"));
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
    }

    void helpKeepsTheAnchor()
    {
        QTemporaryDir scratch;
        CAppSettings settings;
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + "/Help";
        settings.Path2TempFolder = scratch.path();
        QVERIFY(OpenHelpTopic(nullptr, settings, QString::fromLatin1(HelpTopic::Tutorial),
                              QString::fromLatin1(HelpTopic::TutorialNewFlyerAnchor)));
        QCOMPARE(m_catcher.urls.size(), 1);
        // The launcher gets a local page of ours that forwards to the anchor.
        const QString forwarder = m_catcher.urls[0].toLocalFile();
        QVERIFY2(forwarder.startsWith(scratch.path() + '/'), qPrintable(forwarder));
        QFile page(forwarder);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray target = QUrl::fromLocalFile(settings.Path2Help + "/Tutorial.htm").toEncoded() + "#newFlyer";
        QVERIFY(page.readAll().contains(QByteArray("url=" + target + '"')));
    }

    void missingHelpIsReported()
    {
        QTemporaryDir emptyHelp;
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QVERIFY(!OpenHelpTopic(nullptr, emptyHelp.path(), QString(), QStringLiteral("Opening.htm"), QString()));
        QVERIFY(m_catcher.urls.isEmpty());
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(QLatin1String("\"Opening.htm\" could not be found")),
                 qPrintable(asked[0].text));
    }

private:
    TestSupport::UrlCatcher m_catcher{{QStringLiteral("http"), QStringLiteral("file")}};
};

QTEST_MAIN(TestWebUi)
#include "tst_webui.moc"
