#include "settings/appsettings.h"
#include "support/childprocess.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

using TestSupport::ChildRun;
using TestSupport::RunCli;

class TestCliSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newHomePrintsEveryDefault()
    {
        const ChildRun o = RunCli({QStringLiteral("settings")});
        QCOMPARE(o.exitCode, 0);
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(o.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);

        // Every persisted value with its default, as the program itself would hold it before a load.
        CAppSettings defaults;
        const auto values = defaults.PersistedValues();
        QCOMPARE(json.size(), values.size() + 1);
        for (const auto& v : values) {
            QVERIFY2(json.contains(v.name), qPrintable(v.name));
            if (v.value.typeId() == QMetaType::QString)
                QCOMPARE(json.value(v.name).toString(), v.value.toString());
            else
                QCOMPARE(json.value(v.name).toInteger(), v.value.toLongLong());
        }
        QCOMPARE(json.value("LastColor").toInteger(), 0x00B16300);
        QCOMPARE(json.value("LastFont").toString(), QStringLiteral("Tahoma"));

        const QJsonObject paths = json.value("paths").toObject();
        QCOMPARE(paths.size(), 8);
        const QString save = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/My Listora";
        QCOMPARE(paths.value("strSavePath").toString(), save);
        QCOMPARE(paths.value("Path2TempFolder").toString(), save + "/Temp");
        QVERIFY(QFileInfo(save + "/Projects").isDir());
        QCOMPARE(paths.value("Path2Themes").toString(), qEnvironmentVariable("LISTORA_DATA_DIR") + "/Themes");
        for (const char* key :
             {"strPath2FlyerProjects", "Path2ThemeCovers", "Path2SampleData", "Path2Help", "Path2BlankImage"})
            QVERIFY2(!paths.value(key).toString().isEmpty(), qPrintable(key));
    }

    void storedValuesAreShown()
    {
        {
            CAppSettings settings;
            settings.FullName = QStringLiteral("Renée \"RJ\" Doe");
            settings.DefaultThemeColor = 0xFFFFFFFF;
            QVERIFY(settings._SaveSettings());
        }
        const ChildRun o = RunCli({QStringLiteral("settings")});
        QCOMPARE(o.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(o.out).object();
        QCOMPARE(json.value("FullName").toString(), QStringLiteral("Renée \"RJ\" Doe"));
        QCOMPARE(json.value("DefaultThemeColor").toInteger(), 0xFFFFFFFFLL);
    }

    void wrongCommandLine()
    {
        const ChildRun o = RunCli({QStringLiteral("settings"), QStringLiteral("--all")});
        QCOMPARE(o.exitCode, 2);
        QVERIFY(o.out.isEmpty());
        QVERIFY(o.err.contains("usage"));
    }
};

QTEST_GUILESS_MAIN(TestCliSettings)
#include "tst_clisettings.moc"
