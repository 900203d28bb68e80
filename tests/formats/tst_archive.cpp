#include "formats/archive.h"

#include "pipedevice.h"

#include <QBuffer>
#include <QTest>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

using Failure = CXArchiveReader::Failure;

} // namespace

Q_DECLARE_METATYPE(CXArchiveReader::Failure)

class TestArchive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strings_data();
    void strings();
    void numbersAndTimes();
    void firstFaultStopsTheReader();
};

void TestArchive::strings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("used"); // bytes the string takes

    const auto ok = Failure::None;
    QTest::newRow("empty single-byte") << Hex("00") << ok << QString() << 1;
    QTest::newRow("single-byte") << Hex("03 61 62 63") << ok << QStringLiteral("abc") << 4;
    QTest::newRow("single-byte windows-1252") << Hex("04 80 E9 93 81") << ok << QStringLiteral("€é“\u0081") << 5;
    QTest::newRow("single-byte 16-bit length") << Hex("FF 03 00 61 62 63") << ok << QStringLiteral("abc") << 6;
    QTest::newRow("single-byte 32-bit length")
        << Hex("FF FF FF 03 00 00 00 61 62 63") << ok << QStringLiteral("abc") << 10;
    QTest::newRow("single-byte 64-bit length")
        << Hex("FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00 7A") << ok << QStringLiteral("z") << 16;
    QTest::newRow("empty unicode") << Hex("FF FE FF 00") << ok << QString() << 4;
    QTest::newRow("unicode") << Hex("FF FE FF 02 E9 00 AC 20") << ok << QStringLiteral("é€") << 8;
    QTest::newRow("unicode surrogate pair")
        << Hex("FF FE FF 02 3C D8 E0 DF") << ok << QStringLiteral("\U0001F3E0") << 8;
    QTest::newRow("unicode 16-bit length") << Hex("FF FE FF FF 01 00 61 00") << ok << QStringLiteral("a") << 8;
    QTest::newRow("unicode 32-bit length")
        << Hex("FF FE FF FF FF FF 01 00 00 00 61 00") << ok << QStringLiteral("a") << 12;
    QTest::newRow("unicode 64-bit length")
        << Hex("FF FE FF FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00 61 00") << ok << QStringLiteral("a") << 20;
    QTest::newRow("trailing bytes stay") << Hex("01 61 62") << ok << QStringLiteral("a") << 2;

    // The length itself cut short.
    QTest::newRow("nothing") << QByteArray() << Failure::PastEnd << QString() << 0;
    QTest::newRow("cut in 16-bit length") << Hex("FF 03") << Failure::PastEnd << QString() << 0;
    QTest::newRow("cut after unicode tag") << Hex("FF FE FF") << Failure::PastEnd << QString() << 0;
    QTest::newRow("cut in unicode 16-bit length") << Hex("FF FE FF FF 03") << Failure::PastEnd << QString() << 0;
    QTest::newRow("cut in 32-bit length") << Hex("FF FF FF 03 00 00") << Failure::PastEnd << QString() << 0;
    QTest::newRow("cut in 64-bit length") << Hex("FF FF FF FF FF FF FF 01 00 00") << Failure::PastEnd << QString() << 0;
    // Lengths past the end: found before anything is allocated for them.
    QTest::newRow("one byte short") << Hex("03 61 62") << Failure::PastEnd << QString() << 0;
    QTest::newRow("half a unicode character") << Hex("FF FE FF 02 61 00 62") << Failure::PastEnd << QString() << 0;
    QTest::newRow("unicode 0xFFFE after the tag")
        << Hex("FF FE FF FF FE FF 61 00") << Failure::PastEnd << QString() << 0;
    QTest::newRow("32-bit length 0xFFFFFFFE")
        << Hex("FF FF FF FE FF FF FF 61 62") << Failure::PastEnd << QString() << 0;
    QTest::newRow("unicode 32-bit length 2^31")
        << Hex("FF FE FF FF FF FF 00 00 00 80 61 00") << Failure::PastEnd << QString() << 0;
    QTest::newRow("unicode 64-bit length 2^31 - 1")
        << Hex("FF FE FF FF FF FF FF FF FF FF FF FF FF 7F 00 00 00 00 61 00") << Failure::PastEnd << QString() << 0;
    // No string holds 2^31 characters, whatever follows.
    QTest::newRow("unicode 64-bit length 2^31")
        << Hex("FF FE FF FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00 61 00") << Failure::TooLong << QString() << 0;
    QTest::newRow("single-byte 64-bit length 2^63")
        << Hex("FF FF FF FF FF FF FF 00 00 00 00 00 00 00 80 61") << Failure::TooLong << QString() << 0;
}

void TestArchive::strings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Failure, failure);
    QFETCH(QString, text);
    QFETCH(int, used);

    // A file and a pipe take different paths through the reader; both must give the same answer.
    QBuffer file(&bytes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    CXPipeDevice pipe(bytes, 3);
    for (QIODevice* device : {static_cast<QIODevice*>(&file), static_cast<QIODevice*>(&pipe)}) {
        CXArchiveReader in(*device);
        QString value = QStringLiteral("before");
        QCOMPARE(in.ReadString(value), failure == Failure::None);
        QCOMPARE(in.GetFailure(), failure);
        QCOMPARE(in.Failed(), failure != Failure::None);
        if (failure == Failure::None) {
            QCOMPARE(value, text);
            QCOMPARE(device->readAll(), bytes.mid(used)); // not a byte more or less taken
        } else {
            QCOMPARE(value, QStringLiteral("before"));
        }
    }
}

void TestArchive::numbersAndTimes()
{
    QByteArray bytes = Hex("7F") + Hex("FE FF") + Hex("FF FF FF FF") + Hex("01 00 00 00 00 00 00 80") +
                       Hex("0A 00 00 80 00 F2 05 2A 01 00 00 00") + Hex("00 F1 53 65") + Hex("FF FF FF FF") +
                       Hex("0A 00 00 80 01 02");
    QBuffer file(&bytes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    CXArchiveReader in(file);
    quint8 byte = 0;
    quint16 word = 0;
    qint32 dword = 0;
    quint64 qword = 0;
    QVERIFY(in.ReadInt(byte) && in.ReadInt(word) && in.ReadInt(dword) && in.ReadInt(qword));
    QCOMPARE(byte, quint8(0x7F));
    QCOMPARE(word, quint16(0xFFFE));
    QCOMPARE(dword, -1);
    QCOMPARE(qword, Q_UINT64_C(0x8000000000000001));

    qint64 seconds = 0;
    QVERIFY(in.ReadTime(seconds));
    QCOMPARE(seconds, Q_INT64_C(5000000000));
    // The old form: 32 bits alone, sign-extended, and the next value starts right after them.
    QVERIFY(in.ReadTime(seconds));
    QCOMPARE(seconds, Q_INT64_C(1700000000));
    QVERIFY(in.ReadTime(seconds));
    QCOMPARE(seconds, Q_INT64_C(-1));
    // The marker and only two bytes of the 64-bit time.
    QVERIFY(!in.ReadTime(seconds));
    QCOMPARE(seconds, Q_INT64_C(-1));
    QCOMPARE(in.GetFailure(), Failure::PastEnd);
}

void TestArchive::firstFaultStopsTheReader()
{
    // A length past the end, then a value that could be read: a reader that went on would take
    // the string's bytes for the number.
    QByteArray bytes = Hex("09 61 62 63 64");
    QBuffer file(&bytes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    CXArchiveReader in(file);
    QString text;
    QVERIFY(!in.ReadString(text));
    quint32 number = 7;
    QVERIFY(!in.ReadInt(number));
    QCOMPARE(number, 7u);
    char raw[1] = {'x'};
    QVERIFY(!in.ReadRaw(raw, 1));
    QCOMPARE(raw[0], 'x');
    QCOMPARE(in.GetFailure(), Failure::PastEnd);
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
