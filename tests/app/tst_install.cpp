#include "buildconfig.h"
#include "support/childprocess.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunChild;

// The environment of a user who never heard of the build tree.
const TestSupport::ChildOptions kUser{.env = {"LISTORA_DATA_DIR", "LISTORA_BIN_DIR", "LISTORA_SOURCE_DIR"}};

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_prefix;
    QString Path(const QString& relative) const { return m_prefix.filePath(relative); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        const ChildRun install = RunChild(QStringLiteral(LISTORA_CMAKE),
                                          {QStringLiteral("--install"), QStringLiteral(LISTORA_BUILD_DIR),
                                           QStringLiteral("--prefix"), m_prefix.path()},
                                          {.timeoutMs = 300000});
        QVERIFY2(install.exitCode == 0, install.err.constData());
    }

    void programsAndDataAreInPlace_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << "bin/listora" << true;
        QTest::newRow("companion") << "bin/listora-cli" << true;
        QTest::newRow("renderer worker") << "libexec/listora/listora-render-worker" << true;
        QTest::newRow("theme catalogue") << "share/listora/Themes/Themes.ini" << false;
        QTest::newRow("menu entry") << "share/applications/" LISTORA_APP_ID ".desktop" << false;
        QTest::newRow("metainfo") << "share/metainfo/" LISTORA_APP_ID ".metainfo.xml" << false;
        QTest::newRow("project file type") << "share/mime/packages/" LISTORA_APP_ID ".xml" << false;
        QTest::newRow("manual page") << "share/man/man1/listora.1.gz" << false;
        QTest::newRow("companion's manual page") << "share/man/man1/listora-cli.1.gz" << false;
        QTest::newRow("copyright") << "share/doc/listora/copyright" << false;
    }

    void programsAndDataAreInPlace()
    {
        QFETCH(QString, relative);
        QFETCH(bool, executable);
        const QFileInfo info(Path(relative));
        QVERIFY2(info.isFile(), qPrintable(relative));
        QCOMPARE(info.isExecutable(), executable);
    }

    void iconAtTheUsualSizes()
    {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString file =
                Path(QStringLiteral("share/icons/hicolor/%1x%1/apps/" LISTORA_APP_ID ".png").arg(size));
            QImageReader reader(file);
            QVERIFY2(reader.canRead(), qPrintable(file));
            QCOMPARE(reader.size(), QSize(size, size));
            // Project files get a picture of their own in the file manager.
            const QString document =
                Path(QStringLiteral("share/icons/hicolor/%1x%1/mimetypes/application-x-listora-project.png").arg(size));
            QCOMPARE(QImageReader(document).size(), QSize(size, size));
        }
    }

    void desktopFilesAreValid()
    {
        const QString desktopValidate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        QVERIFY2(!desktopValidate.isEmpty() && !appstream.isEmpty(),
                 "desktop-file-utils and appstream are needed (scripts/setup.sh)");
        const ChildRun desktop =
            RunChild(desktopValidate, {Path(QStringLiteral("share/applications/" LISTORA_APP_ID ".desktop"))}, kUser);
        QVERIFY2(desktop.exitCode == 0 && desktop.out.isEmpty(), QByteArray(desktop.out + desktop.err).constData());
        const ChildRun meta = RunChild(appstream,
                                       {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                        Path(QStringLiteral("share/metainfo/" LISTORA_APP_ID ".metainfo.xml"))},
                                       kUser);
        QVERIFY2(meta.exitCode == 0, QByteArray(meta.out + meta.err).constData());
    }

    // Run from the installed tree only, the companion finds the installed themes.
    void installedCompanionFindsItsData()
    {
        const ChildRun themes = RunChild(Path(QStringLiteral("bin/listora-cli")), {QStringLiteral("themes")}, kUser);
        QVERIFY2(themes.exitCode == 0, themes.err.constData());
        const QJsonArray list = QJsonDocument::fromJson(themes.out).array();
        QVERIFY(!list.isEmpty());
        const QString installedThemes = QFileInfo(Path(QStringLiteral("share/listora/Themes"))).canonicalFilePath();
        for (const QJsonValue& theme : list) {
            const QString templatePath = theme.toObject().value(QStringLiteral("template")).toString();
            QVERIFY2(QFileInfo(templatePath).canonicalFilePath().startsWith(installedThemes + QLatin1Char('/')),
                     qPrintable(templatePath));
        }
    }

    // The renderer's worker is found in the installed libexec folder.
    void installedCompanionRenders()
    {
        const QString out = m_prefix.filePath(QStringLiteral("flyer.png"));
        const ChildRun render = RunChild(Path(QStringLiteral("bin/listora-cli")),
                                         {QStringLiteral("render"), QStringLiteral("--theme"),
                                          QStringLiteral("Simple - KT101"), QStringLiteral("--out"), out},
                                         kUser);
        QVERIFY2(render.exitCode == 0, render.err.constData());
        const QImage flyer(out);
        QCOMPARE(flyer.size(), QSize(816, 1056));
        QSet<QRgb> colours;
        for (int y = 0; y < flyer.height(); y += 16)
            for (int x = 0; x < flyer.width(); x += 16)
                colours.insert(flyer.pixel(x, y));
        QVERIFY2(colours.size() > 50, "the flyer is drawn, not blank");
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
