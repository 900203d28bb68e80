// The real program on a real X server with no window manager, as a first-time user starts it: the
// splash, then the QuickStart chooser above the main window, and a second start that wakes the
// program while the chooser is open. Without a window manager nothing but the program's own calls
// decides which window is on top, so the X stacking order shows exactly what the program did.

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <optional>

namespace {

// One top-level window as the X server has it.
struct XWindow
{
    QString id;
    QString name;
    QSize size;
    bool viewable = false;
};

QProcessEnvironment ProgramEnvironment(const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    // The tests' offscreen platform would hide the very thing under test.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QString Run(const QString& program, const QStringList& arguments, const QString& display)
{
    QProcess process;
    process.setProcessEnvironment(ProgramEnvironment(display));
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The root window's children, topmost first (xwininfo lists them in that order), with whether
// each is on screen.
QList<XWindow> StackingOrder(const QString& display)
{
    static const QRegularExpression line(
        QStringLiteral(R"re(^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): .*?\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+)re"));
    QList<XWindow> windows;
    const QString listing =
        Run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")}, display);
    for (const QString& text : listing.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (!match.hasMatch())
            continue;
        XWindow window;
        window.id = match.captured(1);
        window.name = match.captured(2);
        window.size = QSize(match.captured(3).toInt(), match.captured(4).toInt());
        // Only the program's own windows are asked for their state; the rest cannot be the ones looked for.
        if (window.name == QLatin1String("Listora") || window.name.startsWith(QLatin1String("QuickStart")))
            window.viewable = Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window.id}, display)
                                  .contains(QLatin1String("IsViewable"));
        windows.append(window);
    }
    return windows;
}

// The window that has the keyboard focus, as xdpyinfo reports it ("0x..."), or empty.
QString Focus(const QString& display)
{
    static const QRegularExpression line(QStringLiteral(R"re(focus:\s+window (0x[0-9a-f]+))re"));
    return line.match(Run(QStringLiteral("xdpyinfo"), {}, display)).captured(1);
}

// Position from the top of the first viewable window that `is` picks, or -1.
template <typename Pick> int IndexOf(const QList<XWindow>& windows, Pick is)
{
    for (int i = 0; i < windows.size(); ++i)
        if (windows[i].viewable && is(windows[i]))
            return i;
    return -1;
}

bool IsChooser(const XWindow& w)
{
    return w.name.startsWith(QLatin1String("QuickStart - "));
}
bool IsSplash(const XWindow& w)
{
    return w.name == QLatin1String("Listora") && w.size == QSize(424, 265);
}
bool IsMainWindow(const XWindow& w)
{
    return w.name == QLatin1String("Listora") && w.size.width() > 600 && w.size.height() > 400;
}

QString Describe(const QList<XWindow>& windows)
{
    QStringList lines;
    for (const XWindow& w : windows)
        lines << QStringLiteral("%1 \"%2\" %3x%4%5")
                     .arg(w.id, w.name)
                     .arg(w.size.width())
                     .arg(w.size.height())
                     .arg(w.viewable ? QString() : QStringLiteral(" (hidden)"));
    return lines.join(QStringLiteral("; "));
}

} // namespace

class TestFirstStart : public QObject
{
    Q_OBJECT

    QProcess m_server;
    QString m_display;
    QProcess m_program;

    QString Program() const { return qEnvironmentVariable("LISTORA_BIN_DIR") + QStringLiteral("/listora"); }

    QString ProgramOutput() { return QString::fromLocal8Bit(m_program.readAll()); }

private Q_SLOTS:
    void initTestCase()
    {
        // A server of the test's own on the first free display number, which it reports on stdout.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        QVERIFY2(m_server.waitForStarted(30000), qPrintable(m_server.errorString()));
        QVERIFY(
            QTest::qWaitFor([&] { return m_server.canReadLine() || m_server.state() != QProcess::Running; }, 60000));
        const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
        QVERIFY2(!number.isEmpty(), m_server.readAllStandardError().constData());
        m_display = QLatin1Char(':') + number;
    }

    void cleanupTestCase()
    {
        for (QProcess* process : {&m_program, &m_server}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(20000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    // With the settings of a first start the splash shows, and once it has gone the chooser is
    // open above the main window, which takes no clicks while the chooser is up.
    void chooserAboveTheMainWindowAfterTheSplash()
    {
        m_program.setProcessEnvironment(ProgramEnvironment(m_display));
        m_program.setProcessChannelMode(QProcess::MergedChannels);
        m_program.start(Program(), {});
        QVERIFY2(m_program.waitForStarted(30000), qPrintable(m_program.errorString()));

        bool splashSeen = false;
        QList<XWindow> windows;
        const bool settled = QTest::qWaitFor(
            [&] {
                if (m_program.state() != QProcess::Running)
                    return true;
                QThread::msleep(100);
                windows = StackingOrder(m_display);
                splashSeen = splashSeen || IndexOf(windows, IsSplash) >= 0;
                return IndexOf(windows, IsChooser) >= 0 && IndexOf(windows, IsSplash) < 0;
            },
            120000);
        QVERIFY2(m_program.state() == QProcess::Running, qPrintable(ProgramOutput()));
        QVERIFY2(settled, qPrintable(Describe(windows)));
        QVERIFY(splashSeen);
        QVERIFY2(IndexOf(windows, IsMainWindow) >= 0, qPrintable(Describe(windows)));
        QVERIFY2(IndexOf(windows, IsChooser) < IndexOf(windows, IsMainWindow), qPrintable(Describe(windows)));

        // And it stays so: the chooser taking the keyboard focus is the last step of start-up.
        const QString chooser = windows[IndexOf(windows, IsChooser)].id;
        QVERIFY2(QTest::qWaitFor([&] { return Focus(m_display) == chooser; }, 60000), qPrintable(Focus(m_display)));
        QVERIFY2(m_program.state() == QProcess::Running, qPrintable(ProgramOutput()));
        windows = StackingOrder(m_display);
        QVERIFY2(IndexOf(windows, IsChooser) >= 0, qPrintable(Describe(windows)));
        QVERIFY2(IndexOf(windows, IsChooser) < IndexOf(windows, IsMainWindow), qPrintable(Describe(windows)));
    }

    // A second start wakes the first, which comes forward with its open chooser still on top.
    void wakeUpKeepsTheOpenDialogOnTop()
    {
        QVERIFY2(m_program.state() == QProcess::Running, "needs the program the previous test started");
        // The focus goes to the main window first: the wake-up's last step, activating the chooser
        // on top, then shows when the wake-up has been carried out.
        QList<XWindow> windows = StackingOrder(m_display);
        QVERIFY2(IndexOf(windows, IsChooser) >= 0 && IndexOf(windows, IsMainWindow) >= 0, qPrintable(Describe(windows)));
        const QString chooser = windows[IndexOf(windows, IsChooser)].id;
        const QString main = windows[IndexOf(windows, IsMainWindow)].id;
        QProcess focus;
        focus.setProcessEnvironment(ProgramEnvironment(m_display));
        focus.start(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), main});
        QVERIFY(focus.waitForFinished(30000));
        QCOMPARE(Focus(m_display), main);

        QProcess second;
        second.setProcessEnvironment(ProgramEnvironment(m_display));
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(Program(), {});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.exitCode() == 0, second.readAll().constData());

        // The wake-up is handled some time after the second start has ended. It raises the window,
        // then its chooser, and then activates the chooser.
        QVERIFY2(QTest::qWaitFor([&] { return Focus(m_display) == chooser; }, 60000), qPrintable(Focus(m_display)));
        QVERIFY2(m_program.state() == QProcess::Running, qPrintable(ProgramOutput()));
        windows = StackingOrder(m_display);
        QVERIFY2(IndexOf(windows, IsChooser) >= 0, qPrintable(Describe(windows)));
        QVERIFY2(IndexOf(windows, IsChooser) < IndexOf(windows, IsMainWindow), qPrintable(Describe(windows)));
    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
