#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "imaging/photointake.h"
#include "output/flyerexport.h"
#include "output/pdfwriter.h"
#include "flyer/flyerdata.h"
#include "support/childprocess.h"

#include "smalldisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/time.h>
#include <ctime>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Pixels no encoder can shrink much: the written file is about as large as the picture.
QImage Noise(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        random.fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), width);
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage Smooth(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

QByteArray Jpeg(const QImage& image, int quality)
{
    QByteArray bytes;
    EncodeImage(image, "jpeg", quality, &bytes);
    return bytes;
}

// Hidden files the writer leaves beside its targets, if any.
QStringList Leftovers(const QString& folder)
{
    QStringList found =
        QDir(folder).entryList({QStringLiteral(".*.tmp"), QStringLiteral(".*.old")}, QDir::Files | QDir::Hidden);
    return found;
}

enum Writer
{
    PlainFile,
    SecondOfTwo,
    ProjectFile,
    PngPicture,
    PdfFile,
    PngExport,
    PhotoPair,
};

} // namespace

class TestFileWriter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void replacesTheWholeFileAndKeepsItsPermissions()
    {
        const QString path = m_dir.filePath("notes.txt");
        QVERIFY(Write(path, "old content that is longer than the new one"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
        QString error = "stale";
        QVERIFY(CXFileWriter::WriteFile(path, "new", &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(ReadAll(path), QByteArray("new"));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0640));
        // A new file gets what the umask leaves of rw-rw-rw-, as any other program's would.
        const QString fresh = m_dir.filePath("fresh.txt");
        QVERIFY(CXFileWriter::WriteFile(fresh, QByteArray()));
        QVERIFY(QFileInfo(fresh).exists());
        QCOMPARE(QFileInfo(fresh).size(), 0);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0666 & ~mask));
        QCOMPARE(Leftovers(m_dir.path()), QStringList());
    }

    // Writes killed mid-way leave hidden temporary files; the first write in their folder clears those
    // over an hour old, and nothing else: not a fresh one (a save running elsewhere), not a user's file.
    void firstWriteSweepsStrayTemporaryFiles()
    {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        const QStringList stale = {".FlyerData.lso.Ab3x9Q.tmp", ".flyer.pdf.zZ09aB.tmp", "._photo01.jpg.Qw3rTy.old"};
        const QStringList kept = {".FlyerData.lso.Xy7pQ2.tmp", ".notes.tmp", "draft.Ab3x9Q.tmp", ".a.b.toolong.tmp"};
        for (const QString& name : stale + kept)
            QVERIFY(Write(folder.filePath(name), "left over"));
        const struct timeval twoHoursAgo[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
        for (const QString& name : stale + QStringList{".notes.tmp", "draft.Ab3x9Q.tmp", ".a.b.toolong.tmp"})
            QCOMPARE(::utimes(QFile::encodeName(folder.filePath(name)).constData(), twoHoursAgo), 0);

        QVERIFY(CXFileWriter::WriteFile(folder.filePath("FlyerData.lso"), "project"));
        QStringList expected = kept + QStringList{"FlyerData.lso"};
        expected.sort();
        QStringList left = folder.entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QCOMPARE(left, expected);
    }

    void namesTheReasonOfAFailure_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString missing = m_dir.filePath("no-such-folder/file.txt");
        QTest::newRow("missing folder") << missing << QStringLiteral("%1 was not found.").arg(missing);
        QTest::newRow("a folder") << m_dir.path() << QStringLiteral("Access to %1 was denied.").arg(m_dir.path());
    }

    void namesTheReasonOfAFailure()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QString error;
        QVERIFY(!CXFileWriter::WriteFile(path, "x", &error));
        QCOMPARE(error, expected);
    }

    void filesOfAGroupAreReplacedTogether()
    {
        const QString a = m_dir.filePath("a.bin");
        const QString b = m_dir.filePath("b.bin");
        QVERIFY(Write(a, "old a"));
        CXFileWriter writer;
        QVERIFY(writer.Stage(a, "new a"));
        QVERIFY(writer.Stage(b, "new b"));
        // Nothing is in place before the commit.
        QCOMPARE(ReadAll(a), QByteArray("old a"));
        QVERIFY(!QFileInfo::exists(b));
        QVERIFY(writer.Commit());
        QCOMPARE(ReadAll(a), QByteArray("new a"));
        QCOMPARE(ReadAll(b), QByteArray("new b"));
        QCOMPARE(Leftovers(m_dir.path()), QStringList());

        // A writer given up before its commit leaves no trace.
        {
            CXFileWriter abandoned;
            QVERIFY(abandoned.Stage(a, "newer a"));
        }
        QCOMPARE(ReadAll(a), QByteArray("new a"));
        QCOMPARE(Leftovers(m_dir.path()), QStringList());
    }

    // Every writer on a full disk: it says so, reports failure, and the earlier file is whole.
    void fullDiskLeavesTheOldFile_data()
    {
        QTest::addColumn<int>("writer");
        QTest::newRow("plain file") << int(PlainFile);
        QTest::newRow("second of two files") << int(SecondOfTwo);
        QTest::newRow("project file") << int(ProjectFile);
        QTest::newRow("PNG picture (covers)") << int(PngPicture);
        QTest::newRow("PDF") << int(PdfFile);
        QTest::newRow("PNG export") << int(PngExport);
        QTest::newRow("photo and its original") << int(PhotoPair);
    }

    void fullDiskLeavesTheOldFile()
    {
        QFETCH(int, writer);
        const QString mount = m_dir.filePath("disk");
        CXSmallDisk disk(mount);
        if (!disk.Available())
            QSKIP(qPrintable(disk.Why()));
        const QString target = mount + (writer == PngExport ? "/target.png"
                                        : writer == PdfFile ? "/target.pdf"
                                                            : "/target");
        const QString other = mount + "/other";
        QByteArray old = "the earlier, complete file";
        QByteArray otherOld = "the other earlier file";
        QVERIFY(Write(target, old));
        QVERIFY(Write(other, otherOld));
        QVERIFY(disk.Fill(64 * 1024));

        const QByteArray big(600 * 1024, 'z');
        QString error;
        bool written = true;
        switch (Writer(writer)) {
        case PlainFile:
            written = CXFileWriter::WriteFile(target, big, &error);
            break;
        case SecondOfTwo: {
            CXFileWriter group;
            written = group.Stage(other, "fits") && group.Stage(target, big) && group.Commit();
            error = group.ErrorText();
            break;
        }
        case ProjectFile: {
            CFlyerData flyer;
            flyer.Reset();
            flyer.m_strDescription = QString(300 * 1024, QLatin1Char('d'));
            flyer.SetPathName(target);
            const FlyerFileStatus status = flyer.Save();
            written = status.IsOk();
            error = status.text;
            break;
        }
        case PngPicture:
            written = WriteImageFile(Noise(400, 400, 1), target, "png", -1, &error);
            break;
        case PdfFile:
            written = ConvertJpegDataToPdf(Jpeg(Noise(500, 500, 2), 100), "flyer.jpg", target, &error);
            break;
        case PngExport: {
            QTemporaryDir temp;
            written = ExportFlyerFile(Noise(816, 1056, 3), target, temp.path(), "ID", &error);
            break;
        }
        case PhotoPair: {
            // The earlier pair of slot 1, made from a small smooth photo.
            const QString folder = mount + "/project";
            QVERIFY(QDir().mkpath(folder));
            const QString first = m_dir.filePath("first.jpg");
            QVERIFY(Write(first, Jpeg(Smooth(900, 600), 80)));
            disk.Empty();
            std::array<QString, kPhotoSlots> paths = {first};
            QVERIFY(ProcessPhotos(folder, paths));
            old = ReadAll(folder + "/" + ReducedPhotoName(1));
            otherOld = ReadAll(folder + "/" + OriginalPhotoName(1));
            QVERIFY(!old.isEmpty() && !otherOld.isEmpty());
            // Room for a new reduced photo, not for its full-size original.
            QVERIFY(disk.Fill(1200 * 1024));
            const QString second = m_dir.filePath("second.jpg");
            QVERIFY(Write(second, Jpeg(Noise(2000, 1400, 4), 95)));
            paths = {second};
            QStringList errors;
            written = ProcessPhotos(folder, paths, &errors);
            error = errors.join('\n');
            QCOMPARE(paths[0], second);
            QCOMPARE(ReadAll(folder + "/" + ReducedPhotoName(1)), old);
            QCOMPARE(ReadAll(folder + "/" + OriginalPhotoName(1)), otherOld);
            QCOMPARE(Leftovers(folder), QStringList());
            break;
        }
        }
        QVERIFY(!written);
        QVERIFY2(error.contains(QLatin1String("Disk full while accessing ")), qPrintable(error));
        if (writer != PhotoPair) {
            QCOMPARE(ReadAll(target), old);
            QCOMPARE(ReadAll(other), otherOld);
            QVERIFY2(error.contains(target), qPrintable(error));
        }
        QCOMPARE(Leftovers(mount), QStringList());
    }

    void cliSettingsOnAFullDiskFails()
    {
        // The first run creates the store; on a full disk there is nothing behind what it would print.
        const QString folder = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("Tarnwick");
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        CXSmallDisk disk(folder);
        if (!disk.Available())
            QSKIP(qPrintable(disk.Why()));
        QVERIFY(disk.Fill(0));
        const TestSupport::ChildRun cli = TestSupport::RunCli({"settings"});
        const QString err = cli.Err();
        QCOMPARE(cli.exitCode, 1);
        QVERIFY2(err.contains(QStringLiteral("Disk full while accessing %1/Listora.conf.").arg(folder)),
                 qPrintable(err));
        QVERIFY(!QFileInfo::exists(folder + "/Listora.conf"));
        QCOMPARE(Leftovers(folder), QStringList());
    }

    void cliRenderOnAFullDiskFails()
    {
        const QString mount = m_dir.filePath("cli-disk");
        CXSmallDisk disk(mount);
        if (!disk.Available())
            QSKIP(qPrintable(disk.Why()));
        const QString out = mount + "/flyer.png";
        QVERIFY(Write(out, "an earlier flyer"));
        QVERIFY(disk.Fill(16 * 1024));

        const TestSupport::ChildRun cli = TestSupport::RunCli({"render", "--theme", "Simple - KT101", "--out", out});
        const QString err = cli.Err();
        QCOMPARE(cli.exitCode, 1);
        QVERIFY2(err.contains(QStringLiteral("Disk full while accessing %1.").arg(out)), qPrintable(err));
        QCOMPARE(ReadAll(out), QByteArray("an earlier flyer"));
        QCOMPARE(Leftovers(mount), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFileWriter)
#include "tst_filewriter.moc"
