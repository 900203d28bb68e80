#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace OutputFixtures;

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

QString LastExportToPath()
{
    const ChildRun r = RunCli({QStringLiteral("settings")});
    return QJsonDocument::fromJson(r.out).object().value(QStringLiteral("LastExportToPath")).toString();
}

} // namespace

class TestExportCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void exportFile_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<bool>("project");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("format"); // what the file holds: its magic bytes, or empty for none

        QTest::newRow("pdf") << "flyer.pdf" << false << 0 << QByteArray("%PDF-1.3");
        QTest::newRow("png from a project") << "listing.png" << true << 0 << QByteArray("\x89PNG");
        QTest::newRow("folder named .pdf") << "old.pdf.files/flyer.jpg" << false << 0 << QByteArray("%PDF-1.3");
        QTest::newRow("unknown extension") << "flyer.xyz" << false << 1 << QByteArray("");
        QTest::newRow("missing folder") << "gone/flyer.pdf" << false << 1 << QByteArray("");
    }

    void exportFile()
    {
        QFETCH(QString, out);
        QFETCH(bool, project);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, format);

        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("old.pdf.files")));
        const QString path = m_dir.filePath(out);
        QStringList args = {QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Simple - KT101"),
                            QStringLiteral("--out"), path};
        if (project) {
            CFlyerData flyer;
            flyer.Reset();
            flyer.m_strCaption = QStringLiteral("Charming Bungalow");
            flyer.SetPathName(m_dir.filePath(QStringLiteral("Project/FlyerData.lso")));
            QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Project"))));
            QVERIFY(flyer.Save().IsOk());
            args << QStringLiteral("--project") << flyer.m_strPathName;
        }
        const ChildRun r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.isEmpty(), r.out.constData()); // not even the PDF writer's report
        if (exitCode != 0) {
            // One line that names the file.
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY2(r.err.contains(QFileInfo(path).fileName().toUtf8()), r.err.constData());
            QVERIFY(!QFile::exists(path));
            return;
        }
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(8).startsWith(format));
        file.close();
        const QImage picture = format.startsWith("%PDF") ? RasterisePdf(path, 192) : QImage(path);
        QCOMPARE(FramedSides(picture), QStringLiteral("TBLR"));
        QCOMPARE(LastExportToPath(), QFileInfo(path).absolutePath());
    }

    void usage()
    {
        const ChildRun r =
            RunCli({QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Simple - KT101")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("--out"));
    }
};

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
