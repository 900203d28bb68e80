#include "controls/messageboxlayout.h"
#include "controls/confirm.h"
#include "controls/ui/messagebox.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QStringList ButtonTexts(const CXMessageBox& box)
{
    QStringList texts;
    for (const QPushButton* b : box.findChildren<QPushButton*>())
        texts.append(b->text());
    return texts;
}

QPushButton* Button(const CXMessageBox& box, int id)
{
    return TestSupport::Child<QPushButton>(box, id);
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CXMessageBoxTest::Clear(); }

    void typeWords_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("defaultId");
        QTest::addColumn<int>("escapeResult"); // 0: Escape is ignored and the box stays open
        QTest::addColumn<int>("pressId");
        QTest::addColumn<QString>("checkText");
        QTest::addColumn<bool>("hasIcon");

        const QString noCheck;
        QTest::newRow("0x40 information OK") << 0x40u << QStringList{"OK"} << 1 << 1 << 1 << noCheck << true;
        QTest::newRow("0x41 OK Cancel") << 0x41u << QStringList{"OK", "Cancel"} << 1 << 2 << 1 << noCheck << true;
        QTest::newRow("0x44 Yes No") << 0x44u << QStringList{"&Yes", "&No"} << 6 << 0 << 7 << noCheck << true;
        QTest::newRow("0x144 second default") << 0x144u << QStringList{"&Yes", "&No"} << 7 << 0 << 6 << noCheck << true;
        QTest::newRow("0x544 sixth of two is first")
            << 0x544u << QStringList{"&Yes", "&No"} << 6 << 0 << 6 << noCheck << true;
        QTest::newRow("0 plain OK") << 0x0u << QStringList{"OK"} << 1 << 1 << 1 << noCheck << false;
        QTest::newRow("0x12 abort retry ignore")
            << 0x12u << QStringList{"&Abort", "&Retry", "&Ignore"} << 3 << 0 << 5 << noCheck << true;
        QTest::newRow("0x18000203 all to-all buttons")
            << 0x18000203u << QStringList{"&Yes", "Y&es to All", "&No", "N&o to All", "Cancel"} << 7 << 2 << 19
            << noCheck << false;
        QTest::newRow("0x08000004 yes to all")
            << 0x08000004u << QStringList{"&Yes", "Y&es to All", "&No"} << 6 << 0 << 19 << noCheck << false;
        QTest::newRow("0x25 retry cancel")
            << 0x25u << QStringList{"&Retry", "Cancel"} << 4 << 2 << 4 << noCheck << true;
        QTest::newRow("0x106 cancel try continue")
            << 0x106u << QStringList{"Cancel", "&Try Again", "&Continue"} << 10 << 2 << 11 << noCheck << false;
        QTest::newRow("0x07 continue abort")
            << 0x07u << QStringList{"&Continue", "&Abort"} << 11 << 0 << 3 << noCheck << false;
        QTest::newRow("0x08 skip") << 0x08u << QStringList{"&Skip", "S&kip All", "Cancel"} << 14 << 2 << 15 << noCheck
                                   << false;
        QTest::newRow("0x09 ignore") << 0x09u << QStringList{"&Ignore", "I&gnore All", "Cancel"} << 5 << 2 << 16
                                     << noCheck << false;
        QTest::newRow("0x0F unknown set shows OK, Escape ignored")
            << 0x0Fu << QStringList{"OK"} << 1 << 0 << 1 << noCheck << false;
        QTest::newRow("0x21000024 don't ask")
            << 0x21000024u << QStringList{"&Yes", "&No"} << 6 << 0 << 6 << "Don't ask me again" << true;
        QTest::newRow("0x02000030 don't tell")
            << 0x02000030u << QStringList{"OK"} << 1 << 1 << 1 << "Don't tell me again" << true;
        QTest::newRow("0x04000001 don't show")
            << 0x04000001u << QStringList{"OK", "Cancel"} << 1 << 2 << 1 << "Don't show again" << false;
        QTest::newRow("0x07000000 first check box wins")
            << 0x07000000u << QStringList{"OK"} << 1 << 1 << 1 << "Don't ask me again" << false;
    }

    void typeWords()
    {
        QFETCH(quint32, type);
        QFETCH(QStringList, buttons);
        QFETCH(int, defaultId);
        QFETCH(int, escapeResult);
        QFETCH(int, pressId);
        QFETCH(QString, checkText);
        QFETCH(bool, hasIcon);

        CXMessageBox box(nullptr, QStringLiteral("Message"), QStringLiteral("Title"), type);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(ButtonTexts(box), buttons);
        QVERIFY(Button(box, defaultId)->isDefault());
        QCOMPARE(QApplication::focusWidget(), Button(box, defaultId));
        QCOMPARE(box.findChild<QLabel*>(TestSupport::ControlName(MessageBoxId::Icon)) != nullptr, hasIcon);
        QCOMPARE(bool(box.windowFlags() & Qt::WindowCloseButtonHint), escapeResult != 0);
        auto* check = TestSupport::Child<QCheckBox>(box, MessageBoxId::CheckBox);
        QCOMPARE(check ? check->text() : QString(), checkText);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        if (escapeResult == 0) {
            QVERIFY(box.isVisible());
            QCOMPARE(box.Result(), -1);
            QTest::mouseClick(Button(box, pressId), Qt::LeftButton);
            QCOMPARE(box.Result(), pressId);
        } else {
            QCOMPARE(box.Result(), escapeResult);
        }
        QVERIFY(!box.isVisible());
    }

    void checkBoxBitIsAddedWhenTicked()
    {
        for (bool tick : {false, true}) {
            CXMessageBox box(nullptr, QStringLiteral("Sure?"), QStringLiteral("T"), 0x21000024);
            box.show();
            if (tick)
                QTest::mouseClick(TestSupport::Child<QCheckBox>(box, MessageBoxId::CheckBox), Qt::LeftButton);
            QVERIFY(box.isVisible()); // ticking only toggles
            QTest::mouseClick(Button(box, 6), Qt::LeftButton);
            QCOMPARE(box.Result(), tick ? 0x01000006 : 6);
        }
        // Cancel gives 2 even with the box ticked.
        CXMessageBox box(nullptr, QStringLiteral("Sure?"), QStringLiteral("T"), 0x01000001);
        box.show();
        QTest::mouseClick(TestSupport::Child<QCheckBox>(box, MessageBoxId::CheckBox), Qt::LeftButton);
        QTest::mouseClick(Button(box, 2), Qt::LeftButton);
        QCOMPARE(box.Result(), 2);
    }

    void closeEntryFollowsEscapeRule()
    {
        CXMessageBox yesNo(nullptr, QStringLiteral("M"), QStringLiteral("T"), 0x44);
        yesNo.show();
        QVERIFY(!yesNo.close());
        QVERIFY(yesNo.isVisible());
        CXMessageBox okCancel(nullptr, QStringLiteral("M"), QStringLiteral("T"), 0x41);
        okCancel.show();
        QVERIFY(okCancel.close());
        QCOMPARE(okCancel.Result(), 2);
    }

    void ctrlCCopiesTheBox()
    {
        CXMessageBox box(nullptr, QStringLiteral("M"), QStringLiteral("T"), 0x24);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        const QString rule = QStringLiteral("---------------------------\r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 rule + "T\r\n" + rule + "M\r\n" + rule + "Yes   No   \r\n" + rule);
        QVERIFY(box.isVisible());

        CXMessageBox withCheck(nullptr, QStringLiteral("Line 1\nLine 2"), QStringLiteral("T"), 0x21000024);
        QCOMPARE(withCheck.ClipboardText(),
                 rule + "T\r\n" + rule + "Line 1\nLine 2\r\n" + rule + "Yes   No   Don't ask me again   \r\n" + rule);
    }

    // The program's texts write an ampersand as "&&"; a user's text with one must keep it.
    void ampersandsInTheMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("city line message")
            << "Please enter in the 'City, State && Zipcode (Postal Code)' for this flyer."
            << "Please enter in the 'City, State & Zipcode (Postal Code)' for this flyer.";
        QTest::newRow("lone ampersand") << "[ML1] Smith & Sons, Bayport"
                                        << "[ML1] Smith & Sons, Bayport";
        QTest::newRow("ampersand before a letter") << "A &B"
                                                   << "A &B";
        QTest::newRow("two pairs") << "&&x&&"
                                   << "&x&";
    }
    void ampersandsInTheMessage()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        CXMessageBox box(nullptr, text, QStringLiteral("T"), 0x30);
        QCOMPARE(TestSupport::Child<QLabel>(box, MessageBoxId::Message)->text(), shown);
        const QString rule = QStringLiteral("---------------------------\r\n");
        QCOMPARE(box.ClipboardText(), rule + "T\r\n" + rule + shown + "\r\n" + rule + "OK   \r\n" + rule);
    }

    void layoutNumbers_data()
    {
        QTest::addColumn<QSize>("icon");
        QTest::addColumn<QSize>("text");
        QTest::addColumn<QList<int>>("buttonExtents");
        QTest::addColumn<int>("checkExtent");
        QTest::addColumn<QRect>("message");
        QTest::addColumn<QRect>("iconRect");
        QTest::addColumn<QList<QRect>>("buttons");
        QTest::addColumn<QRect>("checkBox");
        QTest::addColumn<QSize>("client");

        // Base units 8 x 16: buttons at least 88 wide and 26 high, check box 20 high, one line 16 high.
        QTest::newRow("one line, no icon, OK")
            << QSize() << QSize(200, 16) << QList<int>{20} << -1 << QRect(16, 32, 212, 45) << QRect()
            << QList<QRect>{QRect(140, 91, 88, 26)} << QRect() << QSize(244, 129);
        QTest::newRow("one line, icon, Yes No")
            << QSize(32, 32) << QSize(200, 16) << QList<int>{30, 100} << -1 << QRect(72, 32, 212, 45)
            << QRect(24, 24, 34, 34) << QList<QRect>{QRect(78, 91, 88, 26), QRect(172, 91, 120, 26)} << QRect()
            << QSize(308, 129);
        QTest::newRow("three lines, icon, check box")
            << QSize(32, 32) << QSize(200, 48) << QList<int>{30, 30} << 120 << QRect(72, 24, 212, 77)
            << QRect(24, 24, 34, 34) << QList<QRect>{QRect(110, 115, 88, 26), QRect(204, 115, 88, 26)}
            << QRect(17, 153, 160, 20) << QSize(308, 181);
        QTest::newRow("short message, wide row")
            << QSize() << QSize(20, 16) << QList<int>{20, 20, 20} << -1 << QRect(16, 32, 32, 45) << QRect()
            << QList<QRect>{QRect(16, 91, 88, 26), QRect(110, 91, 88, 26), QRect(204, 91, 88, 26)} << QRect()
            << QSize(308, 129);
        QTest::newRow("check box wider than everything")
            << QSize() << QSize(20, 16) << QList<int>{20} << 400 << QRect(16, 32, 32, 45) << QRect()
            << QList<QRect>{QRect(352, 91, 88, 26)} << QRect(17, 129, 440, 20) << QSize(457, 157);
    }

    void layoutNumbers()
    {
        QFETCH(QSize, icon);
        QFETCH(QSize, text);
        QFETCH(QList<int>, buttonExtents);
        QFETCH(int, checkExtent);
        MsgBox::LayoutInput in;
        in.baseUnitX = 8;
        in.baseUnitY = 16;
        in.iconSize = icon;
        in.textSize = text;
        in.lineHeight = 16;
        in.buttonTextWidths = buttonExtents;
        in.checkBoxTextWidth = checkExtent;
        const MsgBox::Layout layout = MsgBox::ComputeLayout(in);
        QTEST(layout.message, "message");
        QTEST(layout.icon, "iconRect");
        QTEST(layout.buttons, "buttons");
        QTEST(layout.checkBox, "checkBox");
        QTEST(layout.client, "client");
        QCOMPARE(MsgBox::WrapWidth(1920, icon.width()), icon.isEmpty() ? 950 : 902);
    }

    void dialogFollowsItsLayout()
    {
        // One line without an icon: OK right-aligned 16 pixels from the edge, 14 below the message.
        CXMessageBox box(nullptr, QStringLiteral("One short line."), QStringLiteral("T"), 0x0);
        const QRect message = TestSupport::Child<QLabel>(box, MessageBoxId::Message)->geometry();
        const QRect ok = Button(box, 1)->geometry();
        QCOMPARE(message.topLeft(), QPoint(16, 32));
        QCOMPARE(box.size(), box.BoxLayout().client);
        QCOMPARE(ok.x() + ok.width(), box.width() - 16);
        QCOMPARE(ok.y(), message.y() + message.height() + 14);
        QCOMPARE(box.height(), ok.y() + ok.height() + 12);
    }

    void hookAnswersConfirmations()
    {
        CAppSettings settings;
        CXMessageBoxTest::AnswerNext(MsgBox::IdNo, true);
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        QVERIFY(!Confirm(settings, CAppSettings::ConfirmKind::DeleteProject, QStringLiteral("Delete it?")));
        QCOMPARE(settings.ConfirmDeleteFlyerProject, 0);
        QVERIFY(Confirm(settings, CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")));
        QCOMPARE(CXMessageBoxTest::PendingAnswers(), 0);

        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].caption, QStringLiteral("Listora"));
        QCOMPARE(asked[0].type, 0x21000024u);
        QCOMPARE(asked[0].buttons, (QStringList{"&Yes", "&No"}));
        QCOMPARE(asked[0].result, 0x01000007);
        QCOMPARE(asked[1].text, QStringLiteral("Are you sure you want to Exit?"));
        QCOMPARE(asked[1].result, 6);
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
    }

    void confirmationShowsAHiddenMainWindowFirst()
    {
        QWidget main;
        SetMessageBoxMainWindow(&main);
        CAppSettings settings;
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        QVERIFY(Confirm(settings, CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")));
        QVERIFY(main.isVisible());
        SetMessageBoxMainWindow(nullptr);
    }

    void hookAnswersNoticesAndEscape()
    {
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QCOMPARE(ShowInfoMessage(QStringLiteral("Done.")), 1);
        CXMessageBoxTest::AnswerNext(CXMessageBoxTest::Escape);
        QCOMPARE(TemplateMessageBox(nullptr, QStringLiteral("Q"), QString(), 0x41), 2);
        CXMessageBoxTest::AnswerNext(CXMessageBoxTest::Escape);
        QCOMPARE(TemplateMessageBox(nullptr, QStringLiteral("Q"), QString(), 0x44), -1); // must be answered
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked[0].caption, QStringLiteral("Listora"));
        QCOMPARE(asked[0].type, 0x40u);
        QCOMPARE(asked[1].caption, QStringLiteral("Error"));
    }

    void realRunReturnsTheClickedButton()
    {
        // Without a queued answer the box runs its own modal loop until a user answers.
        const auto watch = TestSupport::WhenShown<CXMessageBox>([](CXMessageBox& box) {
            QTest::mouseClick(TestSupport::Child<QCheckBox>(box, MessageBoxId::CheckBox), Qt::LeftButton);
            QTest::mouseClick(Button(box, 7), Qt::LeftButton);
        });
        QCOMPARE(TemplateMessageBox(nullptr, QStringLiteral("Q"), QStringLiteral("T"), 0x21000024), 0x01000007);
        QVERIFY(watch->seen);
    }

    void ownerClosedWhileOpen()
    {
        auto* owner = new QWidget;
        owner->show();
        QTimer::singleShot(0, owner, [owner] { delete owner; });
        QCOMPARE(TemplateMessageBox(owner, QStringLiteral("Q"), QStringLiteral("T"), 0x44), -1);
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
