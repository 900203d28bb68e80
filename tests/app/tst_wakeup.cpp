#include "app/singleinstance.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

class TestWakeUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresAndRaisesTheMainWindow()
    {
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        CSingleInstance instance;
        instance.SetMainWindow(window.windowHandle());
        instance.OnWakeUp(QStringLiteral("ignored"));
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
    }

    void keepsAMaximisedWindowMaximised()
    {
        QWidget window;
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Another window is active, so that the wake-up's last step, activating the window, shows
        // when the wake-up has been carried out.
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QVERIFY(!window.isActiveWindow());

        CSingleInstance instance;
        instance.SetMainWindow(window.windowHandle());
        instance.OnWakeUp(QString());
        QTRY_VERIFY(window.isActiveWindow());
        QVERIFY(window.isMaximized());
    }

    void windowGoneIsHarmless()
    {
        CSingleInstance instance;
        {
            QWidget window;
            window.show();
            instance.SetMainWindow(window.windowHandle());
        }
        QCOMPARE(instance.MainWindow(), nullptr);
        instance.OnWakeUp(QString());
    }
};

QTEST_MAIN(TestWakeUp)
#include "tst_wakeup.moc"
