// The project a start names, from its own arguments and from a command line handed over.
#include "app/launchproject.h"
#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestLaunchProject : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QStringList{"listora"} << QString();
        QTest::newRow("absolute") << QStringList{"listora", "/home/a/My Listora/Projects/{X}/FlyerData.lso"}
                                  << "/home/a/My Listora/Projects/{X}/FlyerData.lso";
        QTest::newRow("options skipped") << QStringList{"listora", "--verbose", "/p/FlyerData.lso"}
                                         << "/p/FlyerData.lso";
        QTest::newRow("file url") << QStringList{"listora", "file:///p/My%20Flyer/FlyerData.lso"}
                                  << "/p/My Flyer/FlyerData.lso";
        QTest::newRow("remote url") << QStringList{"listora", "https://example.com/a.lso"} << QString();
        QTest::newRow("relative") << QStringList{"listora", "sub/../FlyerData.lso"}
                                  << QDir::currentPath() + "/FlyerData.lso";
    }

    void fromArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        QCOMPARE(LaunchProject::FromArguments(args), expected);
    }

    // What CommandLineText quotes, SplitCommandLineText takes apart again.
    void handedOverTextRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("plain") << "listora /p/a.lso" << QStringList{"listora", "/p/a.lso"};
        QTest::newRow("blanks") << "listora \"/p/My Flyer/a.lso\"" << QStringList{"listora", "/p/My Flyer/a.lso"};
        QTest::newRow("quote inside") << "listora \"/p/The \\\"Best\\\" House.lso\""
                                      << QStringList{"listora", "/p/The \"Best\" House.lso"};
        QTest::newRow("empty argument") << "listora \"\" x" << QStringList{"listora", "", "x"};
        QTest::newRow("runs of blanks") << "  listora   a  " << QStringList{"listora", "a"};
    }

    void handedOverTextRoundTrips()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, args);
        QCOMPARE(CSingleInstance::SplitCommandLineText(text), args);
    }

    // A later start in another folder names its file relative to that folder: the text it hands
    // over carries the absolute path.
    void commandLineTextMakesExistingFilesAbsolute()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("My Flyer.lso")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        char program[] = "listora";
        char name[] = "My Flyer.lso";
        char missing[] = "missing.lso";
        char* argv[] = {program, name, missing, nullptr};
        int argc = 3;
        QString text;
        {
            QCoreApplication app(argc, argv);
            text = CSingleInstance::CommandLineText();
        }
        QDir::setCurrent(before);
        QCOMPARE(CSingleInstance::SplitCommandLineText(text),
                 (QStringList{QStringLiteral("listora"), file.fileName(), QStringLiteral("missing.lso")}));
        QCOMPARE(LaunchProject::FromHandOver(text), file.fileName());
    }
};

QTEST_APPLESS_MAIN(TestLaunchProject)
#include "tst_launchproject.moc"
