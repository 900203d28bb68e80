#include "formats/colorref.h"

#include <QTest>

class TestColorRef : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversions_data()
    {
        QTest::addColumn<uint>("color");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");

        // Red sits in the low byte: a swapped conversion turns the default blue into orange.
        QTest::newRow("settings default") << 0x00B16300u << "#0063B1" << 0x00 << 0x63 << 0xB1;
        QTest::newRow("red") << 0x000000FFu << "#FF0000" << 255 << 0 << 0;
        QTest::newRow("blue") << 0x00FF0000u << "#0000FF" << 0 << 0 << 255;
        QTest::newRow("black") << 0u << "#000000" << 0 << 0 << 0;
        QTest::newRow("white") << 0x00FFFFFFu << "#FFFFFF" << 255 << 255 << 255;
        QTest::newRow("one digit each") << 0x00030201u << "#010203" << 1 << 2 << 3;
        // The high byte is no part of the colour.
        QTest::newRow("high byte set") << 0xFF123456u << "#563412" << 0x56 << 0x34 << 0x12;
    }

    void conversions()
    {
        QFETCH(uint, color);
        QFETCH(QString, hex);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        QCOMPARE(ColorRefToHex(color), hex);
        QCOMPARE(ColorRefToQColor(color), QColor(red, green, blue));
        QCOMPARE(ColorRefToQColor(color).alpha(), 255);
        QCOMPARE(MakeColorRef(red, green, blue), color & 0x00FFFFFFu);
    }
};

QTEST_GUILESS_MAIN(TestColorRef)
#include "tst_colorref.moc"
