// Projects that open from outside the window: `listora FILE.lso` handed over by a later start
// (a real second process), a path handed over while start-up or another dialog runs, paths that
// are no project, and a path too long to hand over.
#include "app/singleinstance.h"
#include "catalogue/ui/fontslb.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "projects/projectstore.h"
#include "support/childprocess.h"
#include "support/dialogs.h"
#include "support/folders.h"
#include "windowfixture.h"

#include <QApplication>
#include <QDirIterator>
#include <QLocalServer>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A later start of the real program, handing its command line to this process's listener.
int StartAgain(const QStringList& args, const QString& folder = QString())
{
    return TestSupport::RunChild(TestSupport::BuildProgram(QStringLiteral("listora")), args,
                                 {.timeoutMs = 60000, .workingDir = folder})
        .exitCode;
}

} // namespace

using TestSupport::CopyTree;
using TestSupport::SavePath;

class TestOpenFromFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data;
    std::unique_ptr<CSingleInstance> m_guard;

    std::unique_ptr<CMainDialog> StartWindow() { return ShowMainWindow(WaitIdle); }

    static bool WaitIdle(CMainDialog& window) { return TestSupport::WaitIdle(window); }

    static QString MakeProject(const CMainDialog& window, const QString& mls, const QString& theme)
    {
        CFlyerData data;
        data.Reset();
        data.m_strMLS = mls;
        data.m_strAddress = QStringLiteral("12 Quay Street");
        data.m_strCityStateZip = QStringLiteral("Bayport, CA 94000");
        data.m_strTheme = theme;
        data.m_strFont = QStringLiteral("Tahoma");
        data.m_crColor = 0x00B16300;
        return StoreNewProject(window, data);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_data.isValid());
        QVERIFY(CopyTree(qEnvironmentVariable("LISTORA_DATA_DIR"), m_data.path()));
        qputenv("LISTORA_DATA_DIR", m_data.path().toLocal8Bit());
        // This process is the first instance: later starts of the program hand over to it.
        QLocalServer::removeServer(CSingleInstance::ServerName());
        m_guard = std::make_unique<CSingleInstance>();
        QVERIFY(m_guard->ClaimInstance(QStringLiteral("tst_openfromfiles")));
        QVERIFY(m_guard->IsListening());
    }

    void cleanupTestCase() { m_guard.reset(); }

    void init()
    {
        QDir(SavePath()).removeRecursively();
        CXMessageBoxTest::Clear();
    }

    // A later start with a project: the running window asks about its own changes, saves them on
    // Yes, opens the handed project and keeps running; the later start ends at once.
    void laterStartHandsItsProjectOver()
    {
        auto window = StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(window->IsStartupDone(), 10000);
        const QString first = MakeProject(*window, QStringLiteral("MLS# 100"), QStringLiteral("Simple - KT101"));
        const QString second = MakeProject(*window, QStringLiteral("MLS# 200"), QStringLiteral("Classic - KT301"));
        QVERIFY(window->OpenProjectFile(first));
        ChooseFont(*window, QStringLiteral("Arial"));
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(WaitIdle(*window));

        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        QCOMPARE(StartAgain({second}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(window->Document().FlyerData().m_strPathName, second, 20000);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.startsWith(QStringLiteral("Save changes to flyer project:\n\n[MLS# 100]")),
                 qPrintable(asked[0].text));
        QCOMPARE(StoredProject(first).m_strFont, QStringLiteral("Arial"));
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(window->Document().FlyerData().m_strMLS, QStringLiteral("MLS# 200"));
        QVERIFY(WaitIdle(*window));

        // From a terminal in the project's folder: the relative name means that folder, not ours.
        const QFileInfo firstFile(first);
        QCOMPARE(StartAgain({firstFile.fileName()}, firstFile.absolutePath()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(window->Document().FlyerData().m_strPathName, first, 20000);
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
        QVERIFY(WaitIdle(*window));
    }

    // What a later start hands over that is no project gets the read error; the open project stays.
    void noProjectGetsTheReadError_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("short text file") << "text"
                                         << "Attempted to access %1 past its end.";
        QTest::newRow("folder") << "folder"
                                << "The flyer project %1 could not be opened.";
        QTest::newRow("missing file") << "missing"
                                      << "The flyer project %1 could not be opened.";
    }

    void noProjectGetsTheReadError()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        auto window = StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(window->IsStartupDone(), 10000);
        const QString open = MakeProject(*window, QStringLiteral("MLS# 300"), QStringLiteral("Simple - KT101"));
        QVERIFY(window->OpenProjectFile(open));

        QTemporaryDir scratch;
        QString path = scratch.filePath(QStringLiteral("Notes.lso"));
        if (kind == QLatin1String("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("hello\n");
        } else if (kind == QLatin1String("folder")) {
            path = scratch.filePath(QStringLiteral("Folder.lso"));
            QVERIFY(QDir().mkpath(path));
        }
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QCOMPARE(StartAgain({path}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(CXMessageBoxTest::PendingAnswers(), 0, 20000);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, message.arg(QDir::toNativeSeparators(path)));
        QCOMPARE(window->Document().FlyerData().m_strPathName, open);
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(WaitIdle(*window));
    }

    // The hand-over keeps its length limit: the running copy says why nothing opened.
    void tooLongPathIsRefusedWithAMessage()
    {
        auto window = StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(window->IsStartupDone(), 10000);
        const QString path =
            QDir::tempPath() + QLatin1Char('/') + QString(300, QLatin1Char('x')) + QStringLiteral(".lso");
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QCOMPARE(StartAgain({path}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(CXMessageBoxTest::PendingAnswers(), 0, 20000);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(QStringLiteral("longer than the 255 characters")), qPrintable(asked[0].text));
        QVERIFY(!window->Document().IsProjectOpen());
    }

    // A path that arrives while another dialog is open waits for it; one that arrives during
    // start-up opens when start-up is over.
    void waitsForStartUpAndForAnOpenDialog()
    {
        auto window = std::make_unique<CMainDialog>();
        window->AppSettings().ShowQuickStart = 0;
        const QString early = MakeProject(*window, QStringLiteral("MLS# 400"), QStringLiteral("Simple - KT101"));
        const QString late = MakeProject(*window, QStringLiteral("MLS# 500"), QStringLiteral("Classic - KT301"));
        QVERIFY(!window->IsStartupDone());
        window->OnProjectHandedOver(QStringLiteral("listora \"%1\"").arg(early), false);
        QVERIFY(!window->Document().IsProjectOpen());
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(window->Document().FlyerData().m_strPathName, early, 20000);
        QVERIFY(WaitIdle(*window));

        QDialog other(window.get());
        bool stillOld = false;
        QTimer::singleShot(0, &other, [&] {
            window->OnProjectHandedOver(QStringLiteral("listora \"%1\"").arg(late), false);
            QTest::qWait(800);
            stillOld = window->Document().FlyerData().m_strPathName == early;
            other.reject();
        });
        other.exec();
        QVERIFY2(stillOld, "the project changed under an open dialog");
        QTRY_COMPARE_WITH_TIMEOUT(window->Document().FlyerData().m_strPathName, late, 20000);
        QVERIFY(WaitIdle(*window));
    }
};

QTEST_MAIN(TestOpenFromFiles)
#include "tst_openfromfiles.moc"
