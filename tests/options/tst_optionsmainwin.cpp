#include "catalogue/ui/fontslb.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/pngbutton.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "mainwin/ui/quickstartdlg.h"
#include "options/ui/optionsgeneralpage.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/optionssheet.h"
#include "options/ui/propertysheet.h"
#include "support/dialogs.h"
#include "support/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using TestSupport::Store;

namespace {

// A complete store as an earlier run leaves it, with QuickStart on or off.
void PrepareStore(bool showQuickStart)
{
    QFile::remove(Store().fileName());
    CAppSettings settings;
    settings.LoadSettings();
    settings.ShowQuickStart = showQuickStart ? 1 : 0;
    settings.ConfirmExit = 0;
    QVERIFY(settings._SaveSettings());
}

} // namespace

using TestSupport::Child;
using TestSupport::kIdleTimeoutMs;
using TestSupport::WaitIdle;
using TestSupport::WhenShown;

class TestOptionsMainWindow : public QObject
{
    Q_OBJECT

    static std::unique_ptr<CMainDialog> StartWindow()
    {
        auto window = std::make_unique<CMainDialog>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("main window not exposed");
        WaitIdle(*window);
        return window;
    }

private Q_SLOTS:
    void init() { CXMessageBoxTest::Clear(); }

    void savedOptionsRenderOnlyWhenTheFlyerChanges()
    {
        PrepareStore(false);
        auto window = StartWindow();
        QSignalSpy shown(window.get(), &CMainDialog::FlyerShown);

        // Only the tooltips: saved, nothing drawn.
        WhenShown<CPSDLGOptions>([](CPSDLGOptions& sheet) {
            Child<QCheckBox>(sheet, OptionsGeneralId::ShowTooltips)->click();
            sheet.SaveButton()->click();
        });
        const int tooltipsBefore = window->AppSettings().ShowTooltips;
        window->Button(IDC_BTN_OPTIONS)->click();
        QVERIFY(!window->IsRenderPending());
        QCOMPARE(window->AppSettings().ShowTooltips, 1 - tooltipsBefore);
        QCOMPARE(Store().value(QStringLiteral("ShowTooltips")).toInt(), 1 - tooltipsBefore);

        // Cancel: nothing taken, nothing drawn.
        WhenShown<CPSDLGOptions>([](CPSDLGOptions& sheet) {
            sheet.SetActivePage(1);
            Child<QLineEdit>(sheet, OptionsMyInfoId::FullName)->setText(QStringLiteral("Not Taken"));
            sheet.CancelButton()->click();
        });
        window->Button(IDC_BTN_OPTIONS)->click();
        QVERIFY(!window->IsRenderPending());
        QVERIFY(window->AppSettings().FullName != QStringLiteral("Not Taken"));

        // Looking at My Information and saving takes the profile and draws the flyer again; all fonts are
        // listed at once.
        const int fontsBefore = window->FontsList()->GetCount();
        WhenShown<CPSDLGOptions>([](CPSDLGOptions& sheet) {
            Child<QCheckBox>(sheet, OptionsGeneralId::ShowAllFonts)->click();
            sheet.SetActivePage(1);
            auto* label = Child<QComboBox>(sheet, OptionsMyInfoId::PhoneLabel01);
            label->setCurrentIndex(label->findText(QStringLiteral("Toll-Free")));
            Q_EMIT label->activated(label->currentIndex());
            sheet.SaveButton()->click();
        });
        window->Button(IDC_BTN_OPTIONS)->click();
        QVERIFY(window->IsRenderPending());
        QVERIFY(WaitIdle(*window));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toBool(), true);
        QCOMPARE(window->AppSettings().PhoneLabel01, 3);
        QCOMPARE(Store().value(QStringLiteral("PhoneLabel01")).toInt(), 3);
        QVERIFY(window->FontsList()->GetCount() > fontsBefore);
    }

    void quickStartUntickedStaysAwayAtTheNextStart()
    {
        PrepareStore(true);
        {
            // The chooser comes by itself shortly after start-up.
            auto window = std::make_unique<CMainDialog>();
            window->show();
            const auto seen = WhenShown<CDLGQuickStart>(
                [](CDLGQuickStart& chooser) {
                    chooser.SetShowOnStartupChecked(false);
                    Child<QCommandLinkButton>(chooser, CDLGQuickStart::ChoiceMainWindow)->click();
                },
                10000);
            QVERIFY(QTest::qWaitFor([&] { return seen->seen; }, 12000));
            QVERIFY(WaitIdle(*window));
            window->Button(IDC_BTN_EXIT)->click();
            QVERIFY(!window->isVisible());
        }
        QCOMPARE(Store().value(QStringLiteral("ShowQuickStart")).toInt(), 0);

        auto window = std::make_unique<CMainDialog>();
        window->show();
        // Start-up is over once the window has decided about the chooser; it would be up by then.
        const auto seen = WhenShown<CDLGQuickStart>([](CDLGQuickStart& chooser) { chooser.reject(); }, kIdleTimeoutMs);
        QVERIFY(QTest::qWaitFor([&] { return window->IsStartupDone(); }, kIdleTimeoutMs));
        QVERIFY(WaitIdle(*window));
        seen->Stop();
        QVERIFY(!seen->seen);
    }

    void quickStartProfileRendersTheFlyer()
    {
        PrepareStore(false);
        auto window = StartWindow();
        window->AppSettings().ShowQuickStart = 1;
        QSignalSpy shown(window.get(), &CMainDialog::FlyerShown);
        WhenShown<CDLGQuickStart>([](CDLGQuickStart& chooser) {
            WhenShown<CXPropertySheet>([](CXPropertySheet& sheet) {
                QCOMPARE(sheet.GetPageCount(), 1);
                Child<QLineEdit>(sheet, OptionsMyInfoId::FullName)->setText(QStringLiteral("Dana Whitfield"));
                sheet.SaveButton()->click();
            });
            Child<QCommandLinkButton>(chooser, CDLGQuickStart::ChoiceProfile)->click();
        });
        window->RunQuickStart();
        QCOMPARE(window->AppSettings().FullName, QStringLiteral("Dana Whitfield"));
        QCOMPARE(Store().value(QStringLiteral("FullName")).toString(), QStringLiteral("Dana Whitfield"));
        QVERIFY(WaitIdle(*window));
        // The name shows live while typed, and the flyer is drawn from the saved profile after Save.
        QVERIFY(shown.count() >= 1);
        QVERIFY(shown.last().at(0).toBool());
    }
};

QTEST_MAIN(TestOptionsMainWindow)
#include "tst_optionsmainwin.moc"
