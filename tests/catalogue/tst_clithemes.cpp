#include "support/childprocess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;
using TestSupport::WithDataDir;

QStringList Names(const QJsonArray& themes)
{
    QStringList names;
    for (const QJsonValue& theme : themes)
        names.append(theme.toObject().value("name").toString());
    return names;
}

} // namespace

class TestCliThemes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyField();
    void photoFilter_data();
    void photoFilter();
    void badInput_data();
    void badInput();

private:
    QTemporaryDir m_data;
};

void TestCliThemes::initTestCase()
{
    QVERIFY(m_data.isValid());
    QVERIFY(QDir(m_data.path()).mkpath("Themes"));
    QFile ini(m_data.filePath("Themes/Themes.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Themes]\nCount=5\nTHEME01=Dock 4\nTHEME02=beach 3\nTHEME03=Attic 1\nTHEME04=Cabin 2\n"
              "THEME05=Estate 3\n"
              "[Dock 4]\nName=Dock 4\nPhotos=4\n"
              "[beach 3]\nName=beach 3\nPhotos=3\n"
              "[Cabin 2]\nName=Cabin 2\nPhotos=2\n"
              "[Estate 3]\nName=Estate 3\nPhotos=3\nFamily= Gallery \nBack=Estate\\back.htm\n"
              "[Attic 1]\nName=Attic 1\nTemplate=Attic\\index.htm\nPhotos=1\nWidth=816\nHeight=1056\n"
              "Orientation=0\nColor=RGB(0, 99, 177)\nTypeface=Tahoma\nId={AAAA-BBBB}\nVersion=1.2\n"
              "Created=1475625600\n");
}

void TestCliThemes::everyField()
{
    const ChildRun result = RunCli({"themes"}, WithDataDir(m_data.path()));
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.err.isEmpty() || !result.err.contains("listora-cli"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(result.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(doc.isArray());
    QCOMPARE(Names(doc.array()), QStringList({"Attic 1", "beach 3", "Cabin 2", "Dock 4", "Estate 3"}));

    const QJsonObject attic = doc.array().first().toObject();
    const QJsonObject expected{
        {"name", "Attic 1"},
        {"template", QDir::toNativeSeparators(m_data.filePath("Themes/Attic/index.htm"))},
        {"cover", "AAAA-BBBB.png"},
        {"typeface", "Tahoma"},
        {"color", 0xB16300},
        {"photos", 1},
        {"width", 816},
        {"height", 1056},
        {"id", "{AAAA-BBBB}"},
        {"version", "1.2"},
        {"created", "October 05, 2016"},
        {"orientation", 0},
        {"format", "letter"},
        {"family", "Attic 1"},
        {"pages", 1},
    };
    QCOMPARE(attic, expected);

    // A family named in the catalogue wins over the name; a back makes the theme two pages.
    const QJsonObject estate = doc.array().last().toObject();
    QCOMPARE(estate.value("family").toString(), QString("Gallery"));
    QCOMPARE(estate.value("pages").toInt(), 2);
}

void TestCliThemes::photoFilter_data()
{
    QTest::addColumn<QString>("photos");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("0 shows all") << "0" << QStringList{"Attic 1", "beach 3", "Cabin 2", "Dock 4", "Estate 3"};
    QTest::newRow("1") << "1" << QStringList{"Attic 1"};
    QTest::newRow("3 in catalogue order") << "3" << QStringList{"beach 3", "Estate 3"};
    QTest::newRow("4") << "4" << QStringList{"Dock 4"};
    QTest::newRow("2, which the list has no entry for") << "2" << QStringList{"Cabin 2"};
    QTest::newRow("-1 matches nothing") << "-1" << QStringList{};
}

void TestCliThemes::photoFilter()
{
    QFETCH(QString, photos);
    QFETCH(QStringList, names);
    const ChildRun result = RunCli({"themes", "--photos", photos}, WithDataDir(m_data.path()));
    QCOMPARE(result.exitCode, 0);
    const QJsonDocument doc = QJsonDocument::fromJson(result.out);
    QVERIFY(doc.isArray());
    QCOMPARE(Names(doc.array()), names);
}

void TestCliThemes::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("withData");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("photos not a number") << QStringList{"themes", "--photos", "three"} << true << 2 << "three";
    QTest::newRow("photos without value") << QStringList{"themes", "--photos"} << true << 2 << "--photos";
    QTest::newRow("photos twice") << QStringList{"themes", "--photos", "1", "--photos", "3"} << true << 2 << "--photos";
    QTest::newRow("stray argument") << QStringList{"themes", "extra"} << true << 2 << "extra";
    QTest::newRow("unknown option") << QStringList{"themes", "--all"} << true << 2 << "--all";
    QTest::newRow("no catalogue file") << QStringList{"themes"} << false << 1 << "Themes.ini";
}

void TestCliThemes::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withData);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir empty;
    const ChildRun result = RunCli(args, WithDataDir(withData ? m_data.path() : empty.path()));
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.contains(message.toUtf8()), result.err.constData());
}

QTEST_GUILESS_MAIN(TestCliThemes)
#include "tst_clithemes.moc"
