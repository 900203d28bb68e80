// listora-cli theme-new and theme-check as a designer uses them: copy an installed theme into the
// per-user themes folder, find it in the catalogue, break it in the ways theme-check names, and
// check it by name and by folder (with the real renderer for the page overflow).
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSize>
#include <QStandardPaths>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

QString UserThemes()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tarnwick/Listora/Themes");
}

} // namespace

class TestThemeKitCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir(UserThemes()).removeRecursively(); }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("new without --from") << QStringList{"theme-new", "X"} << 2;
        QTest::newRow("new without name") << QStringList{"theme-new", "--from", "Simple - KT101"} << 2;
        QTest::newRow("new from unknown") << QStringList{"theme-new", "X", "--from", "No Such"} << 1;
        QTest::newRow("new with bad name") << QStringList{"theme-new", "[X]", "--from", "Simple - KT101"} << 1;
        QTest::newRow("check nothing") << QStringList{"theme-check"} << 2;
        QTest::newRow("check unknown") << QStringList{"theme-check", "No Such"} << 1;
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const ChildRun run = RunCli(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.Out().isEmpty());
        QVERIFY(!run.Err().isEmpty());
        QVERIFY(!QFileInfo::exists(UserThemes() + QStringLiteral("/Themes.ini")));
    }

    // An installed theme passes; its copy joins the catalogue, renders and passes too.
    void newThemeJoinsTheCatalogueAndPasses()
    {
        QCOMPARE(RunCli({QStringLiteral("theme-check"), QStringLiteral("Simple - KT101")}).exitCode, 0);

        const ChildRun made = RunCli({QStringLiteral("theme-new"), QStringLiteral("Office Look"),
                                      QStringLiteral("--from"), QStringLiteral("Simple - KT101")});
        QVERIFY2(made.exitCode == 0, qPrintable(made.Err()));
        const QString templatePath = UserThemes() + QStringLiteral("/OfficeLook/index.htm");
        QCOMPARE(made.Out().trimmed(), templatePath);
        QVERIFY(QFileInfo::exists(templatePath));
        QCOMPARE(RunCli({QStringLiteral("theme-new"), QStringLiteral("office look"), QStringLiteral("--from"),
                         QStringLiteral("Simple - KT101")})
                     .exitCode,
                 1);

        const ChildRun themes = RunCli({QStringLiteral("themes")});
        QCOMPARE(themes.exitCode, 0);
        int listed = 0;
        for (const QJsonValue& theme : QJsonDocument::fromJson(themes.out).array())
            if (theme.toObject().value(QStringLiteral("name")).toString() == QLatin1String("Office Look")) {
                ++listed;
                QCOMPARE(theme.toObject().value(QStringLiteral("template")).toString(), templatePath);
            }
        QCOMPARE(listed, 1);

        const ChildRun check = RunCli({QStringLiteral("theme-check"), QStringLiteral("Office Look")});
        QVERIFY2(check.exitCode == 0 && check.Out().isEmpty(), qPrintable(check.Out() + check.Err()));
        const QString png = QDir(UserThemes()).filePath(QStringLiteral("office.png"));
        const ChildRun render = RunCli({QStringLiteral("render"), QStringLiteral("--theme"),
                                        QStringLiteral("Office Look"), QStringLiteral("--out"), png});
        QVERIFY2(render.exitCode == 0, qPrintable(render.Err()));
    }

    void socialFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("page");
        QTest::newRow("square post") << "square" << QSize(1080, 1080);
        QTest::newRow("story") << "story" << QSize(1080, 1920);
        QTest::newRow("link preview") << "link" << QSize(1200, 630);
    }

    // The shipped social pictures: each format in the families Gallery, Bold Banner and Luxury, at
    // the format's exact pixels, one page each, and every one of them passes theme-check.
    void socialFormats()
    {
        QFETCH(QString, format);
        QFETCH(QSize, page);
        const ChildRun listed = RunCli({QStringLiteral("themes"), QStringLiteral("--format"), format});
        QCOMPARE(listed.exitCode, 0);
        QStringList families;
        for (const QJsonValue& value : QJsonDocument::fromJson(listed.out).array()) {
            const QJsonObject theme = value.toObject();
            const QString name = theme.value(QStringLiteral("name")).toString();
            QCOMPARE(theme.value(QStringLiteral("format")).toString(), format);
            QCOMPARE(QSize(theme.value(QStringLiteral("width")).toInt(), theme.value(QStringLiteral("height")).toInt()),
                     page);
            QCOMPARE(theme.value(QStringLiteral("orientation")).toInt(), page.width() > page.height() ? 1 : 0);
            QCOMPARE(theme.value(QStringLiteral("pages")).toInt(), 1);
            families.append(theme.value(QStringLiteral("family")).toString());
            const ChildRun check = RunCli({QStringLiteral("theme-check"), name});
            QVERIFY2(check.exitCode == 0 && check.Out().isEmpty(),
                     qPrintable(name + QStringLiteral(": ") + check.Out()));
        }
        for (const QString& family :
             {QStringLiteral("Gallery"), QStringLiteral("Bold Banner"), QStringLiteral("Luxury")})
            QVERIFY2(families.contains(family), qPrintable(family + QStringLiteral(" in ") + families.join(", ")));
    }

    // Each kind of problem gives its own line, by name and by the theme's folder alike.
    void brokenThemeGetsOneLinePerProblem()
    {
        QCOMPARE(RunCli({QStringLiteral("theme-new"), QStringLiteral("Broken Look"), QStringLiteral("--from"),
                         QStringLiteral("Simple - KT101")})
                     .exitCode,
                 0);
        const QString templatePath = UserThemes() + QStringLiteral("/BrokenLook/index.htm");
        QFile file(templatePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(text.contains(QStringLiteral("</body>")));
        text.replace(QStringLiteral("</body>"),
                     QStringLiteral("<p>$_listingPrize$</p><img src=\"https://cdn.example.com/banner.png\">"
                                    "<h2 style=\"font-family: 'Nowhere Sans', Arial\">x</h2>"
                                    "<div style=\"position: absolute; left: 700px; top: 1000px; width: 300px; "
                                    "height: 200px; background: #c00000\"></div><img src=\"$_photo02$\" width=\"10\" "
                                    "height=\"10\"></body>"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();

        const QStringList expected{
            "Broken Look: unknown token $_listingPrize$",
            "Broken Look: refers to the remote address https://cdn.example.com/banner.png",
            "Broken Look: the template shows photo slots 1, 2 but Photos=1",
            "Broken Look: the font \"Nowhere Sans\" is not installed",
            // The block reaches x = 1000; the lines below the page reach a little below its bottom too.
            "Broken Look: with the long sample texts the flyer spills over the 816 x 1056 page (184 pixels to the "
            "right and ",
        };
        for (const QString& target :
             QStringList{QStringLiteral("Broken Look"), UserThemes() + QStringLiteral("/BrokenLook")}) {
            const ChildRun check = RunCli({QStringLiteral("theme-check"), target});
            QCOMPARE(check.exitCode, 1);
            const QStringList lines = check.Out().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), expected.size());
            for (int i = 0; i < expected.size(); ++i)
                QVERIFY2(lines.at(i).startsWith(expected.at(i)), qPrintable(lines.at(i)));
        }
    }

    // A two-sided theme's back is printed as its front is: its problems are named as the back's.
    void brokenBackPageIsNamed()
    {
        const ChildRun made = RunCli({QStringLiteral("theme-new"), QStringLiteral("Card Look"),
                                      QStringLiteral("--from"), QStringLiteral("Gallery Postcard 6x4 - KT601")});
        QVERIFY2(made.exitCode == 0, qPrintable(made.Err()));
        const ChildRun clean = RunCli({QStringLiteral("theme-check"), QStringLiteral("Card Look")});
        QVERIFY2(clean.exitCode == 0 && clean.Out().isEmpty(), qPrintable(clean.Out() + clean.Err()));

        QFile file(UserThemes() + QStringLiteral("/CardLook/back.htm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(text.contains(QStringLiteral("</body>")));
        text.replace(QStringLiteral("</body>"),
                     QStringLiteral("<p>$_listingPrize$</p><img src=\"https://cdn.example.com/stamp.png\">"
                                    "<h2 style=\"font-family: 'Nowhere Sans', Arial\">x</h2>"
                                    "<div style=\"position: absolute; left: 400px; top: 300px; width: 300px; "
                                    "height: 200px; background: #c00000\"></div></body>"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();

        const QStringList expected{
            "Card Look: back page: unknown token $_listingPrize$",
            "Card Look: back page: refers to the remote address https://cdn.example.com/stamp.png",
            "Card Look: back page: the font \"Nowhere Sans\" is not installed",
            "Card Look: back page: with the long sample texts the flyer spills over the 576 x 384 page (124 pixels "
            "to the right and ",
        };
        const ChildRun check = RunCli({QStringLiteral("theme-check"), QStringLiteral("Card Look")});
        QCOMPARE(check.exitCode, 1);
        const QStringList lines = check.Out().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(lines.at(i).startsWith(expected.at(i)), qPrintable(lines.at(i)));
    }
};

QTEST_GUILESS_MAIN(TestThemeKitCli)
#include "tst_themekitcli.moc"
