// listora-cli started from a terminal of a desktop session: a display is there, and Qt's X11
// platform reads options of its own ("-name", "-title") from the command line, with two dashes too.
// The command's options must reach the command all the same.
#include "support/childprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using TestSupport::ChildOptions;
using TestSupport::ChildRun;

class TestCliDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display");
    }

    void profileNameReachesTheProfile()
    {
        // The test's own platform is offscreen; the child takes the display's, as in a terminal.
        const ChildOptions desktop{.env = {"QT_QPA_PLATFORM"}};
        const ChildRun set =
            TestSupport::RunCli({"profile", "--name", "Dana Whitfield", "--credentials", "Broker Associate"}, desktop);
        QVERIFY2(set.exitCode == 0, set.err.constData());
        const QJsonObject shown = QJsonDocument::fromJson(set.out).object();
        QCOMPARE(shown.value(QStringLiteral("name")).toString(), QStringLiteral("Dana Whitfield"));
        const ChildRun stored = TestSupport::RunCli({"settings"}, desktop);
        QCOMPARE(QJsonDocument::fromJson(stored.out).object().value(QStringLiteral("FullName")).toString(),
                 QStringLiteral("Dana Whitfield"));
    }
};

QTEST_GUILESS_MAIN(TestCliDesktop)
#include "tst_clidesktop.moc"
