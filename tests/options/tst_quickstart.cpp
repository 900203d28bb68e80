#include "mainwin/ui/quickstartdlg.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/propertysheet.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"
#include "support/urlcatcher.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using TestSupport::Child;
using TestSupport::WhenShown;

class TestQuickStart : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void Prepare(CAppSettings& settings)
    {
        settings.strSavePath = m_dir.path();
        settings.Path2TempFolder = m_dir.path();
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Help");
    }

private Q_SLOTS:
    void chooserOffersFiveLinksInOrder()
    {
        CDLGQuickStart chooser(nullptr);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        QCOMPARE(chooser.windowTitle(), QStringLiteral("QuickStart - Listora"));
        QCOMPARE(chooser.findChild<QLabel*>(QStringLiteral("content"))->text(),
                 QStringLiteral("Select an option to continue..."));
        QStringList shown;
        int lastTop = -1;
        for (int id : {201, 202, 205, 203, 204}) {
            auto* link = Child<QCommandLinkButton>(&chooser, id);
            QVERIFY(link->geometry().top() > lastTop);
            lastTop = link->geometry().top();
            shown << link->text();
        }
        QCOMPARE(shown, QStringList({"Create a New Listing Flyer Project", "Open an Existing Listing Flyer Project",
                                     "View/Edit Your Profile", "Go to Listora Main Window", "View Listora Tutorial"}));
        auto* check = chooser.findChild<QCheckBox*>();
        QCOMPARE(check->text(), QStringLiteral("Show QuickStart on Startup"));
        QVERIFY(check->isChecked());
        QVERIFY(check->geometry().top() > lastTop);
    }

    void linksStartTheirActions_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("untick");
        QTest::addColumn<QString>("started");
        QTest::newRow("new project") << 201 << false << "new";
        QTest::newRow("open project") << 202 << true << "open";
        QTest::newRow("profile") << 205 << false << "profile";
        QTest::newRow("main window, unticked") << 203 << true << "";
        QTest::newRow("tutorial") << 204 << false << "Tutorial.htm";
        QTest::newRow("closed") << 0 << true << "";
    }
    void linksStartTheirActions()
    {
        QFETCH(int, link);
        QFETCH(bool, untick);
        QFETCH(QString, started);
        CAppSettings settings;
        Prepare(settings);
        settings.ShowQuickStart = 1;
        QString ran;
        const QuickStartActions actions{[&ran] { ran += QStringLiteral("new"); },
                                        [&ran] { ran += QStringLiteral("open"); },
                                        [&ran] { ran += QStringLiteral("profile"); }};
        TestSupport::UrlCatcher catcher({QStringLiteral("file")});
        const auto seen = WhenShown([link, untick](QWidget& modal) {
            if (untick)
                modal.findChild<QCheckBox*>()->setChecked(false);
            if (link)
                Child<QCommandLinkButton>(modal, link)->click();
            else
                QTest::keyClick(&modal, Qt::Key_Escape);
        });
        const int choice = RunQuickStartChooser(nullptr, settings, actions);

        QCOMPARE(seen->className, QStringLiteral("CDLGQuickStart"));
        QCOMPARE(choice, link);
        QCOMPARE(settings.ShowQuickStart, untick ? 0 : 1);
        if (started.endsWith(QLatin1String(".htm"))) {
            QCOMPARE(ran, QString());
            QCOMPARE(catcher.urls.size(), 1);
            QCOMPARE(catcher.urls[0].fileName(), started);
        } else {
            QCOMPARE(ran, started);
            QCOMPARE(catcher.urls.size(), 0);
        }
    }

    void untickedChooserStaysAwayAtTheNextStart()
    {
        {
            CAppSettings settings;
            settings.LoadSettings();
            Prepare(settings);
            settings.ShowQuickStart = 1;
            WhenShown([](QWidget& modal) {
                modal.findChild<QCheckBox*>()->setChecked(false);
                Child<QCommandLinkButton>(modal, CDLGQuickStart::ChoiceMainWindow)->click();
            });
            QCOMPARE(RunQuickStartChooser(nullptr, settings, {}), 203);
            QVERIFY(settings._SaveSettings());
        }
        CAppSettings next;
        next.LoadSettings();
        QCOMPARE(next.ShowQuickStart, 0);
        const auto seen = WhenShown([](QWidget& modal) { modal.close(); });
        // Anything it showed would have been shown and ended before it returned.
        QCOMPARE(RunQuickStartChooser(nullptr, next, {}), 0);
        seen->Stop();
        QVERIFY(!seen->seen);
    }

    void profileSheetSavesOnlyWhenConfirmed()
    {
        CAppSettings settings;
        settings.LoadSettings();
        Prepare(settings);
        settings.FullName = QStringLiteral("Before");
        QVERIFY(settings._SaveSettings());

        WhenShown([](QWidget& modal) {
            Child<QLineEdit>(modal, OptionsMyInfoId::FullName)->setText(QStringLiteral("Cancelled"));
            Child<QPushButton>(modal, PropertySheetId::Cancel)->click();
        });
        QVERIFY(!RunProfileSheet(nullptr, settings));
        QCOMPARE(settings.FullName, QStringLiteral("Before"));

        const auto seen = WhenShown([](QWidget& modal) {
            QCOMPARE(modal.windowTitle(), QStringLiteral("View/Edit Profile - Listora"));
            Child<QLineEdit>(modal, OptionsMyInfoId::FullName)->setText(QStringLiteral("Dana Whitfield"));
            auto* label = Child<QComboBox>(modal, OptionsMyInfoId::PhoneLabel02);
            label->setCurrentIndex(label->findText(QStringLiteral("Mobile")));
            Q_EMIT label->activated(label->currentIndex());
            Child<QPushButton>(modal, PropertySheetId::Save)->click();
        });
        QVERIFY(RunProfileSheet(nullptr, settings));
        QCOMPARE(seen->className, QStringLiteral("CXPropertySheet"));
        QCOMPARE(settings.FullName, QStringLiteral("Dana Whitfield"));
        CAppSettings reloaded;
        reloaded.LoadSettings();
        QCOMPARE(reloaded.FullName, QStringLiteral("Dana Whitfield"));
        QCOMPARE(reloaded.PhoneLabel02, 2);
    }
};

QTEST_MAIN(TestQuickStart)
#include "tst_quickstart.moc"
