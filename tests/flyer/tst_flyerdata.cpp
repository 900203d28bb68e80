#include "flyer/flyerdata.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A record with every field set to something other than its default.
CFlyerData FullRecord()
{
    CFlyerData record;
    record.m_strId = QStringLiteral("0A1B2C3D-4E5F6071-8293A4B5-C6D7E8F9");
    record.m_timeCreated = 1700000000;
    record.m_timePrinted = -86400;
    record.m_bPrinted = 1;
    record.m_strTheme = QStringLiteral("Simple - KT101");
    record.m_strFont = QStringLiteral("Tahoma");
    record.m_crColor = 0x00336699;
    record.m_strCaption = QStringLiteral("Charming Café");
    record.m_strMLS = QStringLiteral("MLS# 1234567");
    record.m_strPrice = QStringLiteral("Offered at $450,000");
    record.m_strAddress = QStringLiteral("12 Elm Street");
    record.m_strCityStateZip = QStringLiteral("Springfield, IL 62704");
    record.m_strDescription = QStringLiteral("Sunny rooms.<br><br>") + QString(300, QLatin1Char('x'));
    record.m_strFeatures = {QStringLiteral("3 Bedrooms"), QStringLiteral("2 Baths"), QStringLiteral("1,850 sq ft"),
                            QStringLiteral("Built 1998 \U0001F3E1")};
    for (int slot = 0; slot < CFlyerData::kSlotCount; ++slot) {
        record.m_photos[slot].m_strPath = QStringLiteral("/home/agent/listing/_photo0%1.jpg").arg(slot + 1);
        for (int i = 0; i < 16; ++i)
            record.m_photos[slot].m_reserved[i] = quint8(slot * 16 + i + 1);
    }
    record.m_photos[2].m_strPath.clear();
    record.m_strPhotoFolder = QStringLiteral("/home/agent/Pictures");
    return record;
}

// The encoded fields 2 to 26 of FullRecord, to follow a hand-made first field.
QByteArray FullRecordAfterId()
{
    CFlyerData record = FullRecord();
    record.m_strId.clear();
    return record.Serialize().mid(4);
}

} // namespace

class TestFlyerData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resetDefaults();
    void resetThenSaveStartsWithId();
    void layoutOfEveryField();
    void writesShortestLength_data();
    void writesShortestLength();
    void readsOtherTextForms_data();
    void readsOtherTextForms();
    void readsBothTimeForms_data();
    void readsBothTimeForms();
    void roundTripOfEveryField();
    void truncatedFile_data();
    void truncatedFile();
    void missingFileKeepsDefaults();
    void repairPhotoPaths();
    void openFromFileSavesRepair();
    void openFromFileNeverWritesHalfRead();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
};

void TestFlyerData::resetDefaults()
{
    CFlyerData record;
    QVERIFY(record.m_strId.isEmpty());
    record.m_timeCreated = 42;
    record.m_photos[1].m_reserved[3] = 7;
    record.m_photos[1].m_strPath = QStringLiteral("/x.jpg");
    record.m_bPrinted = 1;
    record.SetPathName(QStringLiteral("/p/FlyerData.lso"));
    record.Reset();

    static const QRegularExpression idPattern(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{8}-[0-9A-F]{8}-[0-9A-F]{8}$"));
    QVERIFY2(idPattern.match(record.m_strId).hasMatch(), qPrintable(record.m_strId));
    QCOMPARE(record.m_timeCreated, 42); // Reset leaves times and reserved bytes alone
    QCOMPARE(record.m_photos[1].m_reserved[3], 7);
    QCOMPARE(record.m_photos[1].m_strPath, QString());
    QCOMPARE(record.m_bPrinted, 0);
    QCOMPARE(record.m_crColor, 0xFFFFFFu);
    QCOMPARE(record.m_strMLS, QStringLiteral("MLS# "));
    QCOMPARE(record.m_strDescription.size(), 259);
    QCOMPARE(record.m_strFeatures[3], QStringLiteral("Year Built"));
    QCOMPARE(record.m_strPhotoFolder, QDir::homePath() + QStringLiteral("/Pictures"));
    QCOMPARE(record.m_strPathName, QString());
    QCOMPARE(record.GetFolder(), QString());

    CFlyerData other;
    other.Reset();
    QVERIFY(other.m_strId != record.m_strId);
}

void TestFlyerData::resetThenSaveStartsWithId()
{
    QTemporaryDir dir;
    CFlyerData record;
    record.Reset();
    record.m_timeCreated = 0x0102030405060708;
    record.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
    QVERIFY(record.Save().IsOk());

    const QByteArray bytes = ReadAll(record.m_strPathName);
    QCOMPARE(bytes.left(4), Hex("FF FE FF 23"));
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 4), 35), record.m_strId);
    QCOMPARE(bytes.mid(74, 12), Hex("0A 00 00 80 08 07 06 05 04 03 02 01"));
}

// Field order and encodings, spelled out byte by byte (the caption follows the city line).
void TestFlyerData::layoutOfEveryField()
{
    CFlyerData record;
    record.m_strId = QStringLiteral("X");
    record.m_timeCreated = 1;
    record.m_timePrinted = -2;
    record.m_bPrinted = 1;
    record.m_strTheme = QStringLiteral("T");
    record.m_strFont = QStringLiteral("F");
    record.m_crColor = 0x00332211;
    record.m_strMLS = QStringLiteral("M");
    record.m_strPrice = QStringLiteral("P");
    record.m_strAddress = QStringLiteral("A");
    record.m_strCityStateZip = QStringLiteral("C");
    record.m_strCaption = QStringLiteral("Cap");
    record.m_strDescription = QStringLiteral("D");
    record.m_strFeatures = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    record.m_photos[0].m_strPath = QStringLiteral("p");
    for (int i = 0; i < 16; ++i)
        record.m_photos[0].m_reserved[i] = quint8(i);
    record.m_strPhotoFolder = QStringLiteral("f");

    const QByteArray expected = Hex("FFFEFF01 5800"               // id
                                    "0A000080 0100000000000000"   // created
                                    "0A000080 FEFFFFFFFFFFFFFF"   // printed time
                                    "01000000"                    // printed flag
                                    "FFFEFF01 5400 FFFEFF01 4600" // theme, font
                                    "11223300"                    // colour
                                    "FFFEFF01 4D00 FFFEFF01 5000" // MLS, price
                                    "FFFEFF01 4100 FFFEFF01 4300" // address, city line
                                    "FFFEFF03 430061007000"       // caption
                                    "FFFEFF01 4400"               // description
                                    "FFFEFF01 3100 FFFEFF01 3200 FFFEFF01 3300 FFFEFF01 3400"
                                    "FFFEFF01 7000 000102030405060708090A0B0C0D0E0F" // photo 1
                                    "FFFEFF00 00000000000000000000000000000000"      // photo 2
                                    "FFFEFF00 00000000000000000000000000000000"
                                    "FFFEFF00 00000000000000000000000000000000"
                                    "FFFEFF01 6600"); // photo folder
    QCOMPARE(record.Serialize().toHex(' '), expected.toHex(' '));
}

void TestFlyerData::writesShortestLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("prefix");

    QTest::newRow("empty") << QString() << Hex("FF FE FF 00");
    QTest::newRow("abc") << QStringLiteral("abc") << Hex("FF FE FF 03 61 00 62 00 63 00");
    QTest::newRow("254") << QString(254, QLatin1Char('a')) << Hex("FF FE FF FE 61 00");
    QTest::newRow("255") << QString(255, QLatin1Char('a')) << Hex("FF FE FF FF FF 00 61 00");
    QTest::newRow("65533") << QString(0xFFFD, QLatin1Char('a')) << Hex("FF FE FF FF FD FF 61 00");
    QTest::newRow("65534") << QString(0xFFFE, QLatin1Char('a')) << Hex("FF FE FF FF FF FF FE FF 00 00 61 00");
    QTest::newRow("non-BMP") << QStringLiteral("\U0001F3E0") << Hex("FF FE FF 02 3C D8 E0 DF");
}

void TestFlyerData::writesShortestLength()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, prefix);
    CFlyerData record;
    record.m_strId = text;
    const QByteArray bytes = record.Serialize();
    QCOMPARE(bytes.left(prefix.size()).toHex(' '), prefix.toHex(' '));

    CFlyerData back;
    QBuffer buffer(const_cast<QByteArray*>(&bytes));
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(back.Read(buffer, QStringLiteral("x")).IsOk());
    QCOMPARE(back.m_strId, text);
    QCOMPARE(buffer.pos(), bytes.size());
}

void TestFlyerData::readsOtherTextForms_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    const int ok = FlyerFileStatus::Ok;
    QTest::newRow("single-byte") << Hex("03 61 62 63") << ok << QStringLiteral("abc");
    QTest::newRow("single-byte 1252") << Hex("04 80 E9 93 81") << ok << QStringLiteral("€é“\u0081");
    QTest::newRow("single-byte 16-bit length") << Hex("FF 03 00 61 62 63") << ok << QStringLiteral("abc");
    QTest::newRow("single-byte 32-bit length") << Hex("FF FF FF 03 00 00 00 61 62 63") << ok << QStringLiteral("abc");
    QTest::newRow("unicode 16-bit length 3")
        << Hex("FF FE FF FF 03 00 61 00 62 00 63 00") << ok << QStringLiteral("abc");
    QTest::newRow("unicode 64-bit length 3")
        << Hex("FF FE FF FF FF FF FF FF FF FF 03 00 00 00 00 00 00 00 61 00 62 00 63 00") << ok
        << QStringLiteral("abc");
    QTest::newRow("unicode 64-bit length 2^31") << Hex("FF FE FF FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00 61 00")
                                                << int(FlyerFileStatus::ArchiveError) << QString();
    QTest::newRow("single-byte 64-bit length 2^63")
        << Hex("FF FF FF FF FF FF FF 00 00 00 00 00 00 00 80 61") << int(FlyerFileStatus::ArchiveError) << QString();
    // Far more than the file holds: the end of the file at once, not a 4 GB buffer.
    QTest::newRow("unicode 32-bit length beyond the file")
        << Hex("FF FE FF FF FF FF FE FF FF 7F 61 00") << int(FlyerFileStatus::PastEnd) << QString();
    // A 32-bit length of 2^31 or more is a length like any other; only the 64-bit form is refused.
    QTest::newRow("unicode 32-bit length 2^31")
        << Hex("FF FE FF FF FF FF 00 00 00 80 61 00") << int(FlyerFileStatus::PastEnd) << QString();
    QTest::newRow("single-byte 32-bit length 0xFFFFFFFE")
        << Hex("FF FF FF FE FF FF FF 61 62") << int(FlyerFileStatus::PastEnd) << QString();
    QTest::newRow("unicode 64-bit length 2^31 - 1")
        << Hex("FF FE FF FF FF FF FF FF FF FF FF FF FF 7F 00 00 00 00 61 00") << int(FlyerFileStatus::PastEnd)
        << QString();
}

void TestFlyerData::readsOtherTextForms()
{
    QFETCH(QByteArray, field);
    QFETCH(int, kind);
    QFETCH(QString, text);

    const QString name = QStringLiteral("/projects/FlyerData.lso");
    CFlyerData record;
    record.Reset();
    const CFlyerData before = record;
    QByteArray bytes = field + (kind == FlyerFileStatus::Ok ? FullRecordAfterId() : QByteArray());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const FlyerFileStatus status = record.Read(buffer, name);
    QCOMPARE(int(status.kind), kind);
    if (kind == FlyerFileStatus::Ok) {
        CFlyerData expected = FullRecord();
        expected.m_strId = text;
        QCOMPARE(record, expected);
    } else {
        QVERIFY(status.IsError());
        QCOMPARE(record, before);
        QCOMPARE(status.text,
                 kind == FlyerFileStatus::PastEnd
                     ? QStringLiteral("Attempted to access /projects/FlyerData.lso past its end.")
                     : QStringLiteral("An unknown error occurred while accessing /projects/FlyerData.lso."));
    }
}

void TestFlyerData::readsBothTimeForms_data()
{
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<qint64>("seconds");

    QTest::newRow("64-bit") << Hex("0A 00 00 80 00 F2 05 2A 01 00 00 00") << Q_INT64_C(5000000000);
    QTest::newRow("old 32-bit") << Hex("00 F1 53 65") << Q_INT64_C(1700000000);
    QTest::newRow("old 32-bit negative") << Hex("FF FF FF FF") << Q_INT64_C(-1);
}

void TestFlyerData::readsBothTimeForms()
{
    QFETCH(QByteArray, created);
    QFETCH(qint64, seconds);

    // The printed time that follows must start right after the created time, whatever its form.
    QByteArray bytes = Hex("FF FE FF 01 58 00") + created + FullRecord().Serialize().mid(4 + 70 + 12);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CFlyerData record;
    QVERIFY(record.Read(buffer, QString()).IsOk());
    QCOMPARE(record.m_timeCreated, seconds);
    QCOMPARE(record.m_timePrinted, FullRecord().m_timePrinted);
    QCOMPARE(record.m_strPhotoFolder, FullRecord().m_strPhotoFolder);
}

void TestFlyerData::roundTripOfEveryField()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FlyerData.lso"));
    CFlyerData written = FullRecord();
    written.SetPathName(path);
    QVERIFY(written.Save().IsOk());

    // Whatever follows the last field is not read.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("trailing bytes of another writer");
    file.close();

    CFlyerData read;
    read.Reset();
    QVERIFY(read.Load(path).IsOk());
    QCOMPARE(read, written);
    QCOMPARE(read.GetFolder(), dir.path() + QLatin1Char('/'));
}

void TestFlyerData::truncatedFile_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("idRead");

    const QByteArray full = FullRecord().Serialize();
    const int afterId = 4 + 70;
    const int afterCaption = int(full.indexOf(Hex("4300 6100 6600 E900"))) + 8; // "Café" ends the caption
    QTest::newRow("empty file") << 0 << false;
    QTest::newRow("inside the id length") << 2 << false;
    QTest::newRow("inside the id") << 40 << false;
    QTest::newRow("inside the created time") << afterId + 6 << true;
    QTest::newRow("after the caption") << afterCaption << true;
    QTest::newRow("inside a reserved block") << int(full.size()) - 50 << true;
    QTest::newRow("last byte missing") << int(full.size()) - 1 << true;
}

void TestFlyerData::truncatedFile()
{
    QFETCH(int, cut);
    QFETCH(bool, idRead);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("truncated.lso"));
    const CFlyerData full = FullRecord();
    QVERIFY(WriteAll(path, full.Serialize().left(cut)));

    CFlyerData record;
    record.Reset();
    const CFlyerData before = record;
    const FlyerFileStatus status = record.Load(path);
    QCOMPARE(status.kind, FlyerFileStatus::PastEnd);
    QVERIFY(status.IsError());
    QCOMPARE(status.text, QStringLiteral("Attempted to access %1 past its end.").arg(path));
    QCOMPARE(record.m_strId, idRead ? full.m_strId : before.m_strId);
    QCOMPARE(record.m_strPhotoFolder, before.m_strPhotoFolder);
    QCOMPARE(record.m_strPathName, QString());
    if (cut > full.Serialize().indexOf(Hex("4300 6100 6600 E900")))
        QCOMPARE(record.m_strCaption, full.m_strCaption);
}

void TestFlyerData::missingFileKeepsDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone/FlyerData.lso"));
    CFlyerData record;
    record.Reset();
    CFlyerData expected = record;
    const FlyerFileStatus status = record.Load(path);
    QCOMPARE(status.kind, FlyerFileStatus::OpenFailed);
    QVERIFY(!status.IsError());
    QCOMPARE(status.text, QStringLiteral("%1 was not found.").arg(path));
    expected.SetPathName(path);
    QCOMPARE(record, expected);
}

void TestFlyerData::repairPhotoPaths()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("kept.jpg"));
    QVERIFY(WriteAll(existing, "jpeg"));

    CFlyerData record;
    record.Reset();
    record.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
    record.m_photos[0].m_strPath = QStringLiteral("/old/computer/Projects/X/_photo01.jpg");
    record.m_photos[1].m_strPath = existing;
    record.m_photos[3].m_strPath = QStringLiteral("/old/computer/Projects/X/whatever.jpg");
    QVERIFY(record.RepairPhotoPaths());
    QCOMPARE(record.m_photos[0].m_strPath, dir.filePath(QStringLiteral("_photo01.jpg")));
    QCOMPARE(record.m_photos[1].m_strPath, existing);
    QCOMPARE(record.m_photos[2].m_strPath, QString());
    QCOMPARE(record.m_photos[3].m_strPath, dir.filePath(QStringLiteral("_photo04.jpg")));
    QVERIFY(!record.RepairPhotoPaths()); // nothing stale any more, even though the new files do not exist
}

void TestFlyerData::openFromFileSavesRepair()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("P")));
    const QString path = dir.filePath(QStringLiteral("P/FlyerData.lso"));
    CFlyerData stale = FullRecord();
    stale.SetPathName(path);
    QVERIFY(stale.Save().IsOk());

    FlyerFileStatus status;
    const CFlyerData listed = CFlyerData::OpenFromFile(path, &status);
    QVERIFY(status.IsOk());
    QCOMPARE(listed.m_photos[0].m_strPath, dir.filePath(QStringLiteral("P/_photo01.jpg")));
    QCOMPARE(listed.m_photos[2].m_strPath, QString());

    CFlyerData onDisk;
    QVERIFY(onDisk.Load(path).IsOk());
    QCOMPARE(onDisk, listed);

    // Nothing stale: the file is not written again, so bytes after the last field survive.
    QVERIFY(WriteAll(path, onDisk.Serialize() + "tail"));
    CFlyerData::OpenFromFile(path, &status);
    QVERIFY(status.IsOk());
    QVERIFY(ReadAll(path).endsWith("tail"));
}

void TestFlyerData::openFromFileNeverWritesHalfRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FlyerData.lso"));
    const QByteArray cut = FullRecord().Serialize().chopped(30); // stale photo paths already read
    QVERIFY(WriteAll(path, cut));
    FlyerFileStatus status;
    CFlyerData::OpenFromFile(path, &status);
    QCOMPARE(status.kind, FlyerFileStatus::PastEnd);
    QCOMPARE(ReadAll(path), cut);
}

void TestFlyerData::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<qint64>("sizeLimit");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing folder") << QStringLiteral("gone/FlyerData.lso") << qint64(-1)
                                    << QStringLiteral("%1 was not found.");
    QTest::newRow("target is a folder") << QStringLiteral("folder.lso") << qint64(-1)
                                        << QStringLiteral("Access to %1 was denied.");
    QTest::newRow("file size limit") << QStringLiteral("FlyerData.lso") << qint64(100)
                                     << QStringLiteral("Disk full while accessing %1.");
}

void TestFlyerData::failedSaveKeepsPreviousFile()
{
    QFETCH(QString, target);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, text);

    QTemporaryDir dir;
    const QString path = dir.filePath(target);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.lso")));
    const QByteArray previous = "the previous project";
    if (sizeLimit >= 0)
        QVERIFY(WriteAll(path, previous));

    CFlyerData record = FullRecord();
    record.SetPathName(path);
    FlyerFileStatus status;
    if (sizeLimit >= 0) {
        // A file size limit makes the write fail as a full disk does, without filling one.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(sizeLimit);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        status = record.Save();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(ReadAll(path), previous);
    } else {
        status = record.Save();
    }
    QCOMPARE(status.kind, FlyerFileStatus::WriteFailed);
    QVERIFY(status.IsError());
    QCOMPARE(status.text, text.arg(path));
    QVERIFY(status.SaveFailureText().startsWith(QStringLiteral("Could not save the flyer project %1.").arg(path)));
    QVERIFY(status.SaveFailureText().endsWith(status.text));
    // No temporary file is left behind.
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(left, sizeLimit >= 0 ? QStringList{target} : QStringList());
}

QTEST_GUILESS_MAIN(TestFlyerData)
#include "tst_flyerdata.moc"
