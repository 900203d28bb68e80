#include "formats/inireader.h"

#include <QTemporaryDir>
#include <QTest>

class TestIniReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getString_data();
    void getString();
    void getInt_data();
    void getInt();
    void valueCut();
    void decoding_data();
    void decoding();
    void keysOfSection();
    void loadFromDisk();
};

void TestIniReader::getString_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray basic = "[Themes]\nCount=3\n";
    QTest::newRow("plain") << basic << "Themes"
                           << "Count"
                           << "3";
    QTest::newRow("section and key ignore case") << basic << "tHEMES"
                                                 << "COUNT"
                                                 << "3";
    QTest::newRow("missing key gives default") << basic << "Themes"
                                               << "Name"
                                               << "QIM";
    QTest::newRow("missing section gives default") << basic << "Other"
                                                   << "Count"
                                                   << "QIM";
    QTest::newRow("blanks around name, key and value dropped")
        << QByteArray("  [ Themes ]  \n\t Count \t=  \t 3 4 \t\n") << "Themes"
        << "Count"
        << "3 4";
    QTest::newRow("empty value is not the default") << QByteArray("[S]\nK=\n") << "S"
                                                    << "K"
                                                    << "";
    QTest::newRow("line without equals sign is an empty key") << QByteArray("[S]\nK\n") << "S"
                                                              << "K"
                                                              << "";
    QTest::newRow("equals sign inside a value kept") << QByteArray("[S]\nK=a=b\n") << "S"
                                                     << "K"
                                                     << "a=b";
    QTest::newRow("matching quotes removed") << QByteArray("[S]\nK=\" padded \"\n") << "S"
                                             << "K"
                                             << " padded ";
    QTest::newRow("single quotes removed") << QByteArray("[S]\nK='x'\n") << "S"
                                           << "K"
                                           << "x";
    QTest::newRow("unmatched quotes kept") << QByteArray("[S]\nK=\"x'\n") << "S"
                                           << "K"
                                           << "\"x'";
    QTest::newRow("comment line ignored") << QByteArray("[S]\n;K=1\nK=2\n") << "S"
                                          << "K"
                                          << "2";
    QTest::newRow("semicolon inside a value kept") << QByteArray("[S]\nK=1 ;2\n") << "S"
                                                   << "K"
                                                   << "1 ;2";
    QTest::newRow("first of repeated keys wins") << QByteArray("[S]\nK=1\nk=2\n") << "S"
                                                 << "K"
                                                 << "1";
    QTest::newRow("first of repeated sections wins") << QByteArray("[S]\nA=1\n[s]\nA=2\nB=3\n") << "S"
                                                     << "B"
                                                     << "QIM";
    QTest::newRow("keys before any section belong nowhere") << QByteArray("K=1\n[S]\n") << "S"
                                                            << "K"
                                                            << "QIM";
    QTest::newRow("CR LF and bare CR end lines") << QByteArray("[S]\r\nA=1\rK=2\r\n") << "S"
                                                 << "K"
                                                 << "2";
    QTest::newRow("section without closing bracket") << QByteArray("[S\nK=1\n") << "S"
                                                     << "K"
                                                     << "1";
    QTest::newRow("text after closing bracket ignored") << QByteArray("[S] x\nK=1\n") << "S"
                                                        << "K"
                                                        << "1";
    QTest::newRow("empty file") << QByteArray() << "S"
                                << "K"
                                << "QIM";
    QTest::newRow("non-ASCII names fold") << QByteArray("[Äpfel]\nGRÜN=1\n") << "äpfel"
                                          << "grün"
                                          << "1";
}

void TestIniReader::getString()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    CXIniFile file;
    file.LoadFromData(ini);
    QCOMPARE(file.GetString(section, key, QStringLiteral("QIM")), expected);
}

void TestIniReader::getInt_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected");
    QTest::addColumn<qint64>("expected64");

    QTest::newRow("digits") << "816" << 816 << qint64(816);
    QTest::newRow("leading digits only") << "3 photos" << 3 << qint64(3);
    QTest::newRow("sign") << "-12" << -12 << qint64(-12);
    QTest::newRow("plus sign") << "+7" << 7 << qint64(7);
    QTest::newRow("no digits") << "QIM" << 0 << qint64(0);
    QTest::newRow("empty") << "" << 0 << qint64(0);
    QTest::newRow("sign alone") << "-" << 0 << qint64(0);
    QTest::newRow("digits after text") << "x12" << 0 << qint64(0);
    QTest::newRow("leading zeros") << "007" << 7 << qint64(7);
    QTest::newRow("beyond 32 bits saturates") << "4294967296" << INT_MAX << qint64(4294967296LL);
    QTest::newRow("below 32 bits saturates") << "-4294967296" << INT_MIN << qint64(-4294967296LL);
    QTest::newRow("beyond 64 bits saturates") << "99999999999999999999" << INT_MAX << LLONG_MAX;
    QTest::newRow("most negative 64-bit value") << "-9223372036854775808" << INT_MIN << LLONG_MIN;
}

void TestIniReader::getInt()
{
    QFETCH(QString, value);
    QFETCH(int, expected);
    QFETCH(qint64, expected64);
    CXIniFile file;
    file.LoadFromData("[S]\nK=" + value.toUtf8() + "\n");
    QCOMPARE(file.GetInt(u"S", u"K", -5), expected);
    QCOMPARE(ProfileStringToInt64(value), expected64);
    // Leading blanks count for the plain conversion; the INI value has already lost them.
    QCOMPARE(ProfileStringToInt64(QString(QStringLiteral(" \t") + value)), expected64);
    QCOMPARE(file.GetInt(u"S", u"Missing", -5), -5);
}

void TestIniReader::valueCut()
{
    CXIniFile file;
    const QByteArray longValue(5000, 'x');
    file.LoadFromData("[S]\nK=" + longValue + "\n");
    QCOMPARE(file.GetString(u"S", u"K", QString()), QString(2047, u'x'));
    QCOMPARE(file.GetString(u"S", u"Missing", QString(3000, u'd')).size(), 2047);

    // A pair split by the cut would leave half a character behind.
    const QString astral = QString(2046, u'a') + QStringLiteral("\U0001F3E0") + QStringLiteral("b");
    file.LoadFromData("[S]\nK=" + astral.toUtf8() + "\n");
    QCOMPARE(file.GetString(u"S", u"K", QString()), QString(2046, u'a'));
}

void TestIniReader::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("utf-8") << QByteArray("[S]\nK=Caf\xC3\xA9\n") << QStringLiteral("Caf\u00E9");
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF[S]\nK=\xE2\x82\xAC\n") << QStringLiteral("\u20AC");
    QTest::newRow("windows-1252") << QByteArray("[S]\nK=Caf\xE9 \x80\x96\n")
                                  << QStringLiteral("Caf\u00E9 \u20AC\u2013");
    // A Windows-1252 letter as the very last byte looks like the start of a UTF-8 sequence; it was
    // dropped instead of read as Windows-1252.
    QTest::newRow("windows-1252 letter at the end") << QByteArray("[S]\nK=Caf\xE9") << QStringLiteral("Caf\u00E9");
    const QString text = QStringLiteral("[S]\nK=\u00E9\u4E2D\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    QTest::newRow("utf-16 little-endian") << le << QStringLiteral("\u00E9\u4E2D");
    QTest::newRow("utf-16 big-endian") << be << QStringLiteral("\u00E9\u4E2D");
}

void TestIniReader::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    CXIniFile file;
    file.LoadFromData(bytes);
    QCOMPARE(file.GetString(u"S", u"K", QString()), expected);
}

void TestIniReader::keysOfSection()
{
    CXIniFile file;
    file.LoadFromData("[S]\nB=1\na=2\nb=3\n; c=4\n[T]\nX=1\n");
    QCOMPARE(file.Keys(u"s"), QStringList({"B", "a"}));
    QVERIFY(file.HasSection(u"t"));
    QVERIFY(!file.HasSection(u"U"));
    QVERIFY(file.Keys(u"U").isEmpty());
}

void TestIniReader::loadFromDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CXIniFile file;
    QVERIFY(!file.Load(dir.filePath("missing.ini")));

    QFile ini(dir.filePath("a.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[S]\nK=1\n");
    ini.close();
    QVERIFY(file.Load(ini.fileName()));
    QCOMPARE(file.GetInt(u"S", u"K", 0), 1);

    // A failed load must not leave the previous file's values behind.
    QVERIFY(!file.Load(dir.filePath("missing.ini")));
    QCOMPARE(file.GetInt(u"S", u"K", 0), 0);

    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.resize(CXIniFile::MaxFileSize + 1);
    ini.close();
    QVERIFY(!file.Load(ini.fileName()));
}

QTEST_GUILESS_MAIN(TestIniReader)
#include "tst_inireader.moc"
