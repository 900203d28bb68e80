#include "mainwin/mainids.h"
#include "mainwin/mainlayout.h"

#include <QTest>

namespace {

MainLayoutInput Input(QSize client, QSize button, QSize helpButton = {})
{
    MainLayoutInput input;
    input.client = client;
    input.filterHeight = 22;
    input.colorLabelHeight = 13;
    input.fontLabelHeight = 15;
    input.buttons.fill(button);
    if (helpButton.isValid())
        input.buttons[1] = helpButton;
    return input;
}

} // namespace

class TestMainLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leftPane_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("tab");
        QTest::addColumn<QRect>("themeList");
        QTest::addColumn<QRect>("fontList");
        // The pane keeps its width; only the heights follow the window.
        QTest::newRow("minimum") << QSize(925, 580) << QRect(8, 6, 283, 566) << QRect(8, 92, 281, 479)
                                 << QRect(8, 176, 281, 395);
        QTest::newRow("larger") << QSize(1400, 900) << QRect(8, 6, 283, 886) << QRect(8, 92, 281, 799)
                                << QRect(8, 176, 281, 715);
    }
    void leftPane()
    {
        QFETCH(QSize, client);
        const MainLayout layout = CalcMainLayout(Input(client, QSize(46, 50)));
        QTEST(layout.tab, "tab");
        QTEST(layout.themeList, "themeList");
        QTEST(layout.fontList, "fontList");
        // The controls that stack from the top of the tab page do not move with the size.
        QCOMPARE(layout.themeFilter, QRect(16, 36, 266, 22));
        QCOMPARE(layout.themeFormat, QRect(16, 62, 266, 22));
        QCOMPARE(layout.colorLabel, QRect(16, 36, 265, 13));
        QCOMPARE(layout.colorPalette, QRect(16, 52, 265, 96));
        QCOMPARE(layout.fontLabel, QRect(16, 158, 265, 15));
    }

    void buttonsAndCanvas_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("helpButton");
        QTest::addColumn<QRect>("exit");
        QTest::addColumn<QRect>("help");
        QTest::addColumn<QRect>("about");
        QTest::addColumn<QRect>("newButton");
        QTest::addColumn<QRect>("canvas");
        QTest::newRow("minimum") << QSize(925, 580) << QSize(46, 50) << QRect(871, 522, 46, 50)
                                 << QRect(821, 522, 46, 50) << QRect(771, 522, 46, 50) << QRect(321, 522, 46, 50)
                                 << QRect(299, 10, 618, 504);
        QTest::newRow("larger") << QSize(1400, 900) << QSize(46, 50) << QRect(1346, 842, 46, 50)
                                << QRect(1296, 842, 46, 50) << QRect(1246, 842, 46, 50) << QRect(796, 842, 46, 50)
                                << QRect(299, 10, 1093, 824);
        // Each button keeps its own size; the next one is placed 4 pixels left of it, bottoms aligned.
        QTest::newRow("one larger button")
            << QSize(925, 580) << QSize(60, 56) << QRect(871, 522, 46, 50) << QRect(807, 516, 60, 56)
            << QRect(757, 522, 46, 50) << QRect(307, 522, 46, 50) << QRect(299, 10, 618, 504);
    }
    void buttonsAndCanvas()
    {
        QFETCH(QSize, client);
        QFETCH(QSize, helpButton);
        const MainLayout layout = CalcMainLayout(Input(client, QSize(46, 50), helpButton));
        QCOMPARE(kMainButtonsRightToLeft[0], int(IDC_BTN_EXIT));
        QCOMPARE(kMainButtonsRightToLeft[11], int(IDC_BTN_NEW));
        QTEST(layout.buttons[0], "exit");
        QTEST(layout.buttons[1], "help");
        QTEST(layout.buttons[2], "about");
        QTEST(layout.buttons[11], "newButton");
        QTEST(layout.canvas, "canvas");
        for (size_t i = 1; i < layout.buttons.size(); ++i)
            QCOMPARE(layout.buttons[i].x() + layout.buttons[i].width() + 4, layout.buttons[i - 1].x());
    }

    // "More Colors..." sits in the colour label's row, flush with the palette's right edge, clear of it.
    void moreColorsButton()
    {
        MainLayoutInput input = Input(QSize(925, 580), QSize(46, 50));
        input.moreColorsWidth = 90;
        const MainLayout layout = CalcMainLayout(input);
        QCOMPARE(layout.moreColors.right(), layout.colorPalette.right());
        QCOMPARE(layout.moreColors.top(), layout.colorLabel.top());
        QVERIFY(layout.moreColors.bottom() < layout.colorPalette.top());
        QCOMPARE(layout.moreColors.width(), 90);
    }

    void buttonStates_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QList<bool>>("expected"); // save, details, export, email
        QTest::newRow("preview") << false << false << true << QList<bool>{false, false, false, false};
        QTest::newRow("open, clean") << true << false << false << QList<bool>{false, true, true, false};
        QTest::newRow("open, changed") << true << true << false << QList<bool>{true, true, true, false};
        QTest::newRow("open, mail") << true << false << true << QList<bool>{false, true, true, true};
    }
    void buttonStates()
    {
        QFETCH(bool, open);
        QFETCH(bool, dirty);
        QFETCH(bool, mail);
        QFETCH(QList<bool>, expected);
        const MainButtonStates states = CalcMainButtonStates(open, dirty, mail);
        QCOMPARE((QList<bool>{states.save, states.details, states.exportFlyer, states.email}), expected);
    }
};

QTEST_GUILESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
