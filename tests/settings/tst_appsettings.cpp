#include "settings/workingfolders.h"
#include "controls/confirm.h"
#include "controls/messageboxtypes.h"
#include "settings/appsettings.h"

#include "../formats/smalldisk.h"
#include "support/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using TestSupport::Store;

namespace {

QVariant ValueOf(const CAppSettings& settings, const QString& name)
{
    for (const auto& v : settings.PersistedValues())
        if (v.name == name)
            return v.value;
    return QVariant();
}

// Writes the archive stream of the older version's settings file.
class LegacyWriter
{
public:
    LegacyWriter& Dword(quint32 v)
    {
        uchar b[4];
        qToLittleEndian(v, b);
        bytes.append(reinterpret_cast<const char*>(b), 4);
        return *this;
    }
    LegacyWriter& Ansi(const QByteArray& s)
    {
        Length(s.size());
        bytes.append(s);
        return *this;
    }
    LegacyWriter& Wide(const QString& s)
    {
        bytes.append(char(0xFF));
        Word(0xFFFE);
        Length(s.size());
        for (QChar c : s)
            Word(c.unicode());
        return *this;
    }
    LegacyWriter& Time64(qint64 t)
    {
        Dword(0x8000000A);
        uchar b[8];
        qToLittleEndian(t, b);
        bytes.append(reinterpret_cast<const char*>(b), 8);
        return *this;
    }
    void Word(quint16 v)
    {
        uchar b[2];
        qToLittleEndian(v, b);
        bytes.append(reinterpret_cast<const char*>(b), 2);
    }
    void Length(qsizetype n)
    {
        if (n < 0xFF) {
            bytes.append(char(n));
        } else if (n < 0xFFFF) {
            bytes.append(char(0xFF));
            Word(quint16(n));
        } else {
            bytes.append(char(0xFF));
            Word(0xFFFF);
            Dword(quint32(n));
        }
    }
    QByteArray bytes;
};

// A complete file as the older version wrote it, every value different from the defaults.
QByteArray GoodLegacyFile()
{
    LegacyWriter w;
    w.Dword(7).Ansi("ignored");
    w.Dword(0).Dword(0).Dword(1).Dword(0).Dword(0).Dword(quint32(-1)); // ShowTooltips .. LastThemeFilter
    w.Wide(QStringLiteral("Modern - KT204")).Ansi("Verdana");          // LastTheme, LastFont
    w.Dword(0x00123456).Dword(0).Dword(1100).Dword(700);               // LastColor .. WindowHeight
    w.Time64(1700000000);
    w.Dword(0).Dword(1); // ShowSplashscreen, AlwaysShowFlyerDetails
    w.Ansi("C:\\Pictures").Wide(QStringLiteral("Renée Doe")).Ansi("GRI, CRS").Ansi("Caf\xe9 Realty");
    w.Ansi("1 Main St").Ansi("Springfield, IL 62701");
    w.Dword(2).Ansi("555-0100").Dword(4).Ansi("555-0101");
    w.Ansi("renee@example.com").Ansi("www.example.com").Ansi(QByteArray(300, 'x')); // long Disclaimer
    for (int i = 0; i < 9; ++i)
        w.Dword(i % 2);
    w.Ansi("Classic - KT300").Ansi("Georgia").Dword(0x00ABCDEF);
    w.Ansi("C:\\Logos").Ansi("C:\\Me").Ansi("C:\\Exports");
    return w.bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestAppSettings : public QObject
{
    Q_OBJECT

    QList<quint32> m_askedTypes;
    QList<int> m_answers;

private Q_SLOTS:
    void init()
    {
        QFile::remove(Store().fileName());
        m_askedTypes.clear();
        m_answers.clear();
        MsgBox::SetPresenter([this](const QString&, const QString& caption, quint32 type) {
            m_askedTypes.append(type);
            return caption == QLatin1String("Listora") && !m_answers.isEmpty() ? m_answers.takeFirst() : -1;
        });
    }

    void firstRunWritesEveryDefault()
    {
        QVERIFY(!QFile::exists(Store().fileName()));
        CAppSettings settings;
        QSettings store = Store();
        QCOMPARE(store.value("_Version").toInt(), 2);
        const QStringList expectedOrder = {"ShowTooltips",
                                           "ConfirmExit",
                                           "ConfirmDeleteFlyerProject",
                                           "ConfirmSaveBeforeClosing",
                                           "ShowQuickStart",
                                           "LastThemeFilter",
                                           "LastTheme",
                                           "LastFont",
                                           "LastColor",
                                           "IsZoomed",
                                           "WindowWidth",
                                           "WindowHeight",
                                           "ShowSplashscreen",
                                           "AlwaysShowFlyerDetails",
                                           "ShowAllFonts",
                                           "PicturesFolder",
                                           "FullName",
                                           "Credentials",
                                           "CompanyName",
                                           "Address",
                                           "CityStateZipCode",
                                           "PhoneLabel01",
                                           "Phone01",
                                           "PhoneLabel02",
                                           "Phone02",
                                           "EmailAddress",
                                           "Website",
                                           "Disclaimer",
                                           "ColorRealtorName",
                                           "ColorListingCaption",
                                           "ColorMLSNumber",
                                           "ColorPrice",
                                           "ColorListingAddress",
                                           "ColorListingFeatures",
                                           "IncludeRMLSLogo",
                                           "IncludeEHOLogo",
                                           "IncludeMyLogo",
                                           "DefaultThemeTemplate",
                                           "DefaultThemeFont",
                                           "DefaultThemeColor",
                                           "LastMyLogoPath",
                                           "LastMyPicturePath",
                                           "LastExportToPath",
                                           "LastExportFilter",
                                           "CustomColors",
                                           "BrokerageName",
                                           "BrokeragePhone",
                                           "LicenceNumber",
                                           "CheckAdRules",
                                           "ExportCropMarks",
                                           "LastThemeFormat",
                                           "CampaignFolder",
                                           "CampaignFormats"};
        QStringList names;
        for (const auto& v : settings.PersistedValues()) {
            names.append(v.name);
            QVERIFY2(store.contains(v.name), qPrintable(v.name));
        }
        QCOMPARE(names, expectedOrder);

        // Loading a fresh store gives the same defaults back.
        CAppSettings loaded;
        loaded.LastFont = QStringLiteral("changed");
        loaded.WindowWidth = 1;
        loaded.LoadSettings();
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QCOMPARE(loaded.LastFont, QStringLiteral("Tahoma"));
        QCOMPARE(loaded.WindowWidth, 925);
        QCOMPARE(loaded.WindowHeight, 578);
        QCOMPARE(loaded.LastThemeFilter, 1);
        QCOMPARE(loaded.LastColor, 0x00B16300u);
        QCOMPARE(loaded.DefaultThemeColor, 0x00C07B7Bu);
        QCOMPARE(loaded.DefaultThemeTemplate, QStringLiteral("Simple - KT101"));
        QCOMPARE(loaded.Disclaimer, QStringLiteral("All information deemed reliable but not guaranteed."));
        QCOMPARE(loaded.PicturesFolder, pictures);
        QCOMPARE(loaded.LastExportToPath, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(loaded.FullName, QString());
        QCOMPARE(loaded.PhoneLabel01, 0);
        QCOMPARE(store.value("ModulePath").toString(), QCoreApplication::applicationFilePath());
        for (const auto& v : loaded.PersistedValues())
            QCOMPARE(v.value, ValueOf(settings, v.name));
    }

    void loadRules_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // invalid: value deleted
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("deleted string is empty") << "LastFont" << QVariant() << QVariant(QString());
        QTest::newRow("deleted number keeps default") << "WindowWidth" << QVariant() << QVariant(925);
        QTest::newRow("text in a number keeps default") << "WindowWidth" << QVariant("wide") << QVariant(925);
        QTest::newRow("number beyond 32 bits keeps default")
            << "WindowHeight" << QVariant("4294967296") << QVariant(578);
        QTest::newRow("negative filter") << "LastThemeFilter" << QVariant(-1) << QVariant(-1);
        QTest::newRow("full 32-bit colour") << "LastColor" << QVariant(0xFFFFFFFFu) << QVariant(0xFFFFFFFFu);
        QTest::newRow("string with commas") << "Address" << QVariant("1 Main St, Suite 2, Rear")
                                            << QVariant(QStringLiteral("1 Main St, Suite 2, Rear"));
    }

    void loadRules()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        {
            CAppSettings first;
            QSettings store = Store();
            if (stored.isValid())
                store.setValue(key, stored);
            else
                store.remove(key);
        }
        CAppSettings settings;
        settings.LoadSettings();
        QCOMPARE(ValueOf(settings, key), expected);
    }

    void savedValuesSurviveReload()
    {
        CAppSettings settings;
        settings.FullName = QStringLiteral("Ana = \"Smith\"; @home");
        settings.LastColor = 0x00010203;
        settings.IsZoomed = 1;
        QVERIFY(settings._SaveSettings());
        CAppSettings other;
        other.LoadSettings();
        QCOMPARE(other.FullName, settings.FullName);
        QCOMPARE(other.LastColor, 0x00010203u);
        QCOMPARE(other.IsZoomed, 1);
    }

    // Saves in quick succession that leave the file the same size are read back, not QSettings'
    // cached copy of the one before.
    void quickSavesOfTheSameSizeAreReadBack()
    {
        CAppSettings settings;
        for (int i = 0; i < 40; ++i) {
            settings.ConfirmExit = i % 2;
            QVERIFY(settings._SaveSettings());
            CAppSettings other;
            other.LoadSettings();
            QCOMPARE(other.ConfirmExit, i % 2);
        }
    }

    // The store file is written by the program itself: every text comes back as it was typed, and
    // what others keep in the file stays.
    void textsSurviveASave_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("commas") << QStringLiteral("1 Main St, Suite 2, Rear");
        QTest::newRow("comment and key characters") << QStringLiteral("; not a comment = # [General] x=y");
        QTest::newRow("quotes and backslashes") << QStringLiteral("\"C:\\Users\\ana\" \\\\server\\");
        QTest::newRow("blanks at both ends") << QStringLiteral("  padded  ");
        QTest::newRow("line breaks and tabs") << QStringLiteral("line 1\r\nline 2\n\tindented");
        QTest::newRow("control then hex digits") << QString(QChar(1)) + QStringLiteral("A5") + QChar(0) + "7f";
        QTest::newRow("typed values") << QStringLiteral("@Variant(\\0\\0)");
        QTest::newRow("byte array") << QStringLiteral("@ByteArray(abc)");
        QTest::newRow("at signs") << QStringLiteral("@@home @");
        QTest::newRow("beyond ASCII") << QStringLiteral("Zo\u00EB \u2122 \u6771\u4EAC \U0001F3E0 \u00A0");
    }

    void textsSurviveASave()
    {
        QFETCH(QString, text);
        {
            CAppSettings first;
            QSettings store = Store();
            store.setValue("ModulePath", "/opt/listora/bin/listora");
            store.setValue("Later/Window Geometry", QStringList{"a, b", "c"});
        }
        CAppSettings settings;
        settings.FullName = text;
        settings.Disclaimer = text + text;
        settings.LastColor = 0xFFFFFFFFu;
        settings.LastThemeFilter = -1;
        QVERIFY(settings._SaveSettings());
        CAppSettings other;
        other.LoadSettings();
        QCOMPARE(other.FullName, text);
        QCOMPARE(other.Disclaimer, text + text);
        QCOMPARE(other.LastColor, 0xFFFFFFFFu);
        QCOMPARE(other.LastThemeFilter, -1);
        QSettings store = Store();
        QCOMPARE(store.value("FullName").toString(), text);
        QCOMPARE(store.value("Later/Window Geometry").toStringList(), QStringList({"a, b", "c"}));
        QCOMPARE(store.value("_Version").toInt(), 2);
    }

    void fullDiskKeepsTheStore()
    {
        const QString path = Store().fileName();
        CXSmallDisk disk(QFileInfo(path).absolutePath());
        if (!disk.Available())
            QSKIP(qPrintable(disk.Why()));
        CAppSettings settings;
        settings.FullName = QStringLiteral("Jordan Avery");
        QVERIFY(settings._SaveSettings());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        QVERIFY(before.contains("Jordan Avery"));

        QVERIFY(disk.Fill(0));
        settings.FullName = QStringLiteral("Somebody Else With A Longer Name");
        settings.Disclaimer = QString(5000, QLatin1Char('x'));
        QVERIFY(!settings._SaveSettings());
        QCOMPARE(settings.SaveErrorText(), QStringLiteral("Disk full while accessing %1.").arg(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        file.close();
        CAppSettings reloaded;
        reloaded.LoadSettings();
        QCOMPARE(reloaded.FullName, QStringLiteral("Jordan Avery"));

        disk.Empty();
        QVERIFY(settings._SaveSettings());
        QVERIFY(settings.SaveErrorText().isEmpty());
    }

    void confirmDontAskAgain()
    {
        CAppSettings settings;
        // No, with the check box ticked: No this time, and never asked again.
        m_answers = {MsgBox::IdNo | int(MsgBox::CheckDontAsk)};
        QVERIFY(!Confirm(settings, CAppSettings::ConfirmKind::SaveBeforeClosing, QStringLiteral("Save?")));
        QCOMPARE(m_askedTypes, QList<quint32>{0x21000024u});
        QCOMPARE(settings.ConfirmSaveBeforeClosing, 0);
        QCOMPARE(Store().value("ConfirmSaveBeforeClosing").toInt(), 0); // saved at once
        QVERIFY(Confirm(settings, CAppSettings::ConfirmKind::SaveBeforeClosing, QStringLiteral("Save?")));
        QCOMPARE(m_askedTypes.size(), 1);

        // Yes without the tick leaves the question on.
        m_answers = {MsgBox::IdYes};
        QVERIFY(Confirm(settings, CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")));
        QCOMPARE(settings.ConfirmExit, 1);
        m_answers = {MsgBox::IdNo};
        QVERIFY(!Confirm(settings, CAppSettings::ConfirmKind::DeleteProject, QStringLiteral("Delete?")));
        QCOMPARE(settings.ConfirmDeleteFlyerProject, 1);
    }

    void confirmUnknownKindIsNo()
    {
        CAppSettings settings;
        m_answers = {MsgBox::IdYes};
        QVERIFY(!Confirm(settings, static_cast<CAppSettings::ConfirmKind>(3), QStringLiteral("?")));
        QVERIFY(!Confirm(settings, static_cast<CAppSettings::ConfirmKind>(-1), QStringLiteral("?")));
        QVERIFY(m_askedTypes.isEmpty());
    }

    void confirmWithoutAnyBoxIsNo()
    {
        CAppSettings settings;
        MsgBox::SetPresenter(nullptr);
        QVERIFY(!Confirm(settings, CAppSettings::ConfirmKind::Exit, QStringLiteral("?")));
    }

    void legacyImportGoodFile()
    {
        QTemporaryDir dir;
        CAppSettings settings;
        settings.ShowAllFonts = 1;
        settings.Path2Settings = dir.filePath("Old.dat");
        WriteFile(settings.Path2Settings, GoodLegacyFile());

        QVERIFY(settings.ImportLegacySettings());
        QCOMPARE(settings.ShowTooltips, 0);
        QCOMPARE(settings.ConfirmDeleteFlyerProject, 1);
        QCOMPARE(settings.LastThemeFilter, -1);
        QCOMPARE(settings.LastTheme, QStringLiteral("Modern - KT204"));
        QCOMPARE(settings.LastFont, QStringLiteral("Verdana"));
        QCOMPARE(settings.LastColor, 0x00123456u);
        QCOMPARE(settings.WindowWidth, 1100);
        QCOMPARE(settings.WindowHeight, 700);
        QCOMPARE(settings.AlwaysShowFlyerDetails, 1);
        QCOMPARE(settings.FullName, QStringLiteral("Renée Doe"));
        QCOMPARE(settings.CompanyName, QStringLiteral("Café Realty")); // Windows-1252 byte
        QCOMPARE(settings.PhoneLabel02, 4);
        QCOMPARE(settings.Disclaimer, QString(300, QLatin1Char('x')));
        QCOMPARE(settings.ColorListingCaption, 1);
        QCOMPARE(settings.IncludeMyLogo, 0);
        QCOMPARE(settings.DefaultThemeFont, QStringLiteral("Georgia"));
        QCOMPARE(settings.DefaultThemeColor, 0x00ABCDEFu);
        QCOMPARE(settings.LastExportToPath, QStringLiteral("C:\\Exports"));
        QCOMPARE(settings.ShowAllFonts, 1); // not in the file
        QVERIFY(!QFile::exists(settings.Path2Settings));
        QVERIFY(QFile::exists(dir.filePath("Old.bak")));
    }

    void legacyImportDamagedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("lastTheme");
        QTest::addColumn<QString>("lastFont");
        QTest::addColumn<int>("windowWidth");

        const QByteArray good = GoodLegacyFile();
        // Header (4 + 8) + six numbers (24) + LastTheme (4 + 28) + LastFont (1 + 7).
        QTest::newRow("ends inside LastFont") << good.left(72) << "Modern - KT204"
                                              << "Tahoma" << 925;
        QTest::newRow("ends after WindowWidth") << good.left(88) << "Modern - KT204"
                                                << "Verdana" << 1100;
        QTest::newRow("empty file") << QByteArray() << ""
                                    << "Tahoma" << 925;

        LegacyWriter huge;
        huge.Dword(1).Ansi("x").Dword(0).Dword(0).Dword(0).Dword(0).Dword(0).Dword(0);
        huge.bytes.append(char(0xFF));
        huge.Word(0xFFFE);
        huge.bytes.append(char(0xFF));
        huge.Word(0xFFFF);
        huge.Dword(0x7FFFFFFF); // two billion characters claimed, none there
        QTest::newRow("string longer than the file") << huge.bytes << ""
                                                     << "Tahoma" << 925;
    }

    void legacyImportDamagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, lastTheme);
        QFETCH(QString, lastFont);
        QFETCH(int, windowWidth);
        QTemporaryDir dir;
        CAppSettings settings;
        settings.Path2Settings = dir.filePath("Old.dat");
        WriteFile(settings.Path2Settings, bytes);

        QVERIFY(!settings.ImportLegacySettings());
        QCOMPARE(settings.LastTheme, lastTheme);
        QCOMPARE(settings.LastFont, lastFont);
        QCOMPARE(settings.WindowWidth, windowWidth);
        // Moved aside all the same, so it is not imported again at every start.
        QVERIFY(!QFile::exists(settings.Path2Settings));
        QVERIFY(QFile::exists(dir.filePath("Old.bak")));
    }

    void legacyImportBesideExistingBak()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("Old.bak"), "earlier backup");
        CAppSettings settings;
        settings.Path2Settings = dir.filePath("Old.dat");
        WriteFile(settings.Path2Settings, GoodLegacyFile());

        QVERIFY(settings.ImportLegacySettings());
        QCOMPARE(settings.LastFont, QStringLiteral("Verdana"));
        QVERIFY(!QFile::exists(settings.Path2Settings));
        QFile earlier(dir.filePath("Old.bak"));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier backup"));
        QFile moved(dir.filePath("Old.1.bak"));
        QVERIFY(moved.open(QIODevice::ReadOnly));
        QCOMPARE(moved.readAll(), GoodLegacyFile());

        // Nothing is there to import at the next start.
        CAppSettings next;
        next.Path2Settings = settings.Path2Settings;
        QVERIFY(!next.ImportLegacySettings());
        QCOMPARE(next.LastFont, QStringLiteral("Tahoma"));
    }

    void startUpCopiesAndImportsOlderSettings()
    {
        // The older version's file in the per-user data folder is copied in, imported and saved.
        const QString oldFolder = WorkingFolders::LegacyAppDataFolder();
        QVERIFY(QDir().mkpath(oldFolder));
        const QString source = oldFolder + "/" + WorkingFolders::LegacySettingsFileName();
        WriteFile(source, GoodLegacyFile());

        CAppSettings settings;
        WorkingFolders::InitAppSettings(settings);
        QCOMPARE(settings.LastFont, QStringLiteral("Verdana"));
        QCOMPARE(Store().value("LastFont").toString(), QStringLiteral("Verdana"));
        QVERIFY(QFile::exists(source)); // the original stays where it was
        QVERIFY(!QFile::exists(settings.Path2Settings));
        QVERIFY(
            QFile::exists(settings.strSavePath + "/" + QFileInfo(settings.Path2Settings).completeBaseName() + ".bak"));

        // An existing file in the documents folder is never replaced by the copy.
        WriteFile(settings.Path2Settings, QByteArray());
        CAppSettings again;
        WorkingFolders::InitAppSettings(again);
        QCOMPARE(again.LastFont, QStringLiteral("Verdana")); // the empty file gave nothing
        QVERIFY(QFile::remove(source));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
