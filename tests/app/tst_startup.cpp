#include "app/ui/mainapplication.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/pngbutton.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "support/folders.h"
#include "support/settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString kExitQuestion = QStringLiteral("Are you sure you want to Exit?");

// Runs the program; `whileRunning` acts on the main window once it is up and must end it.
bool RunProgram(const std::function<void(CMainDialog&)>& whileRunning)
{
    CMainApplication app;
    bool ran = false;
    // A start refused before the window never gets here; the timer must not outlive us. Events run
    // already while the window is being built (the splash is painted then), so wait until it is up.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        CMainDialog* dialog = app.MainDialog();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        ran = true;
        whileRunning(*dialog);
        if (dialog->isVisible()) { // a failed check above must not leave the run hanging
            dialog->AppSettings().ConfirmExit = 0;
            dialog->Button(IDC_BTN_EXIT)->click();
        }
    });
    poll.start();
    const bool result = app.InitInstance();
    [&] { QCOMPARE(result, false); }();
    [&] { QCOMPARE(app.ExitInstance(), 0); }();
    return ran;
}

} // namespace

using TestSupport::SavePath;
using TestSupport::Store;

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QDir(SavePath()).removeRecursively();
        QFile::remove(Store().fileName());
        CXMessageBoxTest::Clear();
        CMainApplication::SetSystemVersionProbe(nullptr);
    }

    void firstStartAndExit()
    {
        const bool ran = RunProgram([](CMainDialog& dialog) {
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Listora"));
            QCOMPARE(dialog.size(), QSize(925, 578));
            QCOMPARE(MessageBoxMainWindow(), &dialog);
            for (const QString& sub : {QString(), QStringLiteral("/Projects"), QStringLiteral("/Temp")})
                QVERIFY2(QFileInfo(SavePath() + sub).isDir(), qPrintable(sub));
            QCOMPARE(dialog.AppSettings().Path2TempFolder, SavePath() + "/Temp");
            QVERIFY(QDir().mkpath(SavePath() + "/Temp/export"));
            QFile scratch(SavePath() + "/Temp/export/flyer.pdf");
            QVERIFY(scratch.open(QIODevice::WriteOnly));
            scratch.close();

            dialog.resize(1000, 700);
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        });
        QVERIFY(ran);

        QVERIFY(!QFileInfo::exists(SavePath() + "/Temp"));
        QVERIFY(QFileInfo(SavePath() + "/Projects").isDir());
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, kExitQuestion);
        QCOMPARE(asked[0].caption, QStringLiteral("Listora"));
        QCOMPARE(asked[0].type, 0x21000024u);
        QSettings store = Store();
        QCOMPARE(store.value("_Version").toInt(), 2);
        QCOMPARE(store.value("WindowWidth").toInt(), 1000);
        QCOMPARE(store.value("WindowHeight").toInt(), 700);

        // The next start brings Temp back and sizes the window as it was left.
        QVERIFY(RunProgram([](CMainDialog& dialog) {
            QVERIFY(QFileInfo(SavePath() + "/Temp").isDir());
            QCOMPARE(dialog.size(), QSize(1000, 700));
        }));
    }

    void everyWayOutAsksFirst_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Exit command") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }

    void everyWayOutAsksFirst()
    {
        QFETCH(int, way);
        const auto leave = [way](CMainDialog& dialog) {
            if (way == 0)
                dialog.Button(IDC_BTN_EXIT)->click();
            else if (way == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        };
        QVERIFY(RunProgram([&](CMainDialog& dialog) {
            CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
            leave(dialog);
            QVERIFY(dialog.isVisible()); // No: nothing happens
            QVERIFY(QFileInfo(SavePath() + "/Temp").isDir());

            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            leave(dialog);
            QVERIFY(!dialog.isVisible());
        }));
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 2);
        QVERIFY(!QFileInfo::exists(SavePath() + "/Temp"));
    }

    void dontAskAgainClosesWithoutQuestionNextTime()
    {
        QVERIFY(RunProgram([](CMainDialog& dialog) {
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes, true);
            dialog.Button(IDC_BTN_EXIT)->click();
            QVERIFY(!dialog.isVisible());
        }));
        QCOMPARE(Store().value("ConfirmExit").toInt(), 0);
        CXMessageBoxTest::TakeAsked();

        QVERIFY(RunProgram([](CMainDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }));
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
    }

    void systemCheck_data()
    {
        QTest::addColumn<std::optional<int>>("major");
        QTest::addColumn<bool>("runs");
        QTest::newRow("older system") << std::optional<int>(6) << false;
        QTest::newRow("version unknown") << std::optional<int>() << false;
        QTest::newRow("required version") << std::optional<int>(10) << true;
        QTest::newRow("newer") << std::optional<int>(11) << true;
    }

    void systemCheck()
    {
        QFETCH(std::optional<int>, major);
        QFETCH(bool, runs);
        CMainApplication::SetSystemVersionProbe([major] { return major; });
        CXMessageBoxTest::AnswerNext(runs ? MsgBox::IdYes : MsgBox::IdOK); // exit question or notice
        QCOMPARE(RunProgram([](CMainDialog& dialog) { dialog.Button(IDC_BTN_EXIT)->click(); }), runs);
        QCOMPARE(QFileInfo::exists(SavePath()), runs); // a refused start touches nothing

        auto asked = CXMessageBoxTest::TakeAsked();
        if (runs) {
            QCOMPARE(asked.size(), 1); // only the exit question
            return;
        }
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text,
                 QStringLiteral("Listora requires Microsoft Windows 10 (or newer) in order to run.\nExiting..."));
        QCOMPARE(asked[0].caption, QStringLiteral("Listora"));
        QCOMPARE(asked[0].type, 0x40u);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
