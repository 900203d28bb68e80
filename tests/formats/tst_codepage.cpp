#include "formats/codepage.h"

#include <QTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windows1252Specials_data();
    void windows1252Specials();
    void windows1252Latin1Range();
    void utf8OrWindows1252_data();
    void utf8OrWindows1252();
};

void TestCodePage::windows1252Specials_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");

    // Where Windows-1252 differs from Latin-1; the five it leaves unassigned stay C1 controls.
    const int table[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                           0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                           0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int b = 0x80; b < 0xA0; ++b) {
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        QTest::addRow("%02X%s", b, unassigned ? " unassigned" : "") << b << table[b - 0x80];
    }
}

void TestCodePage::windows1252Specials()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    const QByteArray bytes = QByteArray("a") + char(byte) + "z";
    QCOMPARE(DecodeWindows1252(bytes), QStringLiteral("a") + QChar(unicode) + QStringLiteral("z"));
}

void TestCodePage::windows1252Latin1Range()
{
    QByteArray bytes;
    for (int b = 0; b < 0x100; ++b) {
        if (b < 0x80 || b >= 0xA0)
            bytes.append(char(b));
    }
    // The zero byte too: these texts are counted, not terminated.
    QCOMPARE(DecodeWindows1252(bytes), QString::fromLatin1(bytes));
    QCOMPARE(DecodeWindows1252(QByteArray()), QString());
}

void TestCodePage::utf8OrWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("windows1252");

    QTest::newRow("empty") << QByteArray() << QString() << false;
    QTest::newRow("ascii") << QByteArray("Main St") << QStringLiteral("Main St") << false;
    QTest::newRow("two-byte") << QByteArray("caf\xC3\xA9") << QStringLiteral("caf\u00E9") << false;
    QTest::newRow("three-byte") << QByteArray("\xE2\x82\xAC 5") << QStringLiteral("\u20AC 5") << false;
    QTest::newRow("four-byte") << QByteArray("\xF0\x9F\x8F\xA0") << QStringLiteral("\U0001F3E0") << false;
    QTest::newRow("windows-1252 letter") << QByteArray("caf\xE9 au lait") << QStringLiteral("caf\u00E9 au lait")
                                         << true;
    QTest::newRow("windows-1252 quotes") << QByteArray("\x93q\x94") << QStringLiteral("\u201Cq\u201D") << true;
    QTest::newRow("lone continuation byte") << QByteArray("a\x80z") << QStringLiteral("a\u20ACz") << true;
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QStringLiteral("\u00C0\u00AF") << true;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\u00ED\u00A0\u20AC") << true;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u00F4\u0090\u20AC\u20AC")
                                     << true;
    // Cut off by the end: not UTF-8, and no letter may be lost.
    QTest::newRow("cut two-byte at the end") << QByteArray("Caf\xC3") << QStringLiteral("Caf\u00C3") << true;
    QTest::newRow("cut three-byte at the end") << QByteArray("x\xE2\x82") << QStringLiteral("x\u00E2\u201A") << true;
    QTest::newRow("windows-1252 letter at the end") << QByteArray("Caf\xE9") << QStringLiteral("Caf\u00E9") << true;
}

void TestCodePage::utf8OrWindows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, windows1252);
    bool used = !windows1252;
    QCOMPARE(DecodeUtf8OrWindows1252(bytes, &used), text);
    QCOMPARE(used, windows1252);
    QCOMPARE(DecodeUtf8OrWindows1252(bytes), text);
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
