#include "app/ui/splashwnd.h"
#include "settings/appsettings.h"
#include "support/urlcatcher.h"

#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

// A picture with texture everywhere, so any bending of it shows in the pixels.
QImage TestPicture()
{
    QImage picture(424, 265, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7) % 200 + 20, (y * 5) % 200 + 20, ((x + y) * 3) % 200 + 20));
    return picture;
}

int DifferentPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++count;
    return count;
}

} // namespace

class TestSplashWnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsCentredWithTheNotice()
    {
        QWidget main;
        const QImage picture = TestPicture();
        QPointer<CSplashWnd> splash = new CSplashWnd(&main);
        QVERIFY(splash->Create(picture));
        QVERIFY(splash->isVisible());
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->size(), picture.size());
        const QRect work = main.screen()->availableGeometry();
        QCOMPARE(splash->pos(), CSplashWnd::CentredIn(work, picture.size()));
        QCOMPARE(CSplashWnd::CentredIn(QRect(100, 50, 1000, 700), QSize(424, 265)), QPoint(388, 268));

        // The notice is drawn into the bottom of the picture and nowhere else.
        const QImage& source = splash->SourceImage();
        QCOMPARE(DifferentPixels(source, picture.convertToFormat(QImage::Format_RGB32), QRect(0, 0, 424, 200)), 0);
        QVERIFY(DifferentPixels(source, picture.convertToFormat(QImage::Format_RGB32), QRect(0, 225, 424, 40)) > 100);
        delete splash;
    }

    void ripplesUnderTheMouseOnly()
    {
        QPointer<CSplashWnd> splash = new CSplashWnd(nullptr);
        QVERIFY(splash->Create(TestPicture()));
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::qWait(60);
        // Still water shows the picture as it is.
        QCOMPARE(DifferentPixels(splash->DisplayImage(), splash->SourceImage(), QRect(1, 1, 422, 263)), 0);

        QTest::mouseMove(splash, QPoint(100, 80));
        QTest::mouseMove(splash, QPoint(104, 82));
        QTRY_VERIFY(DifferentPixels(splash->DisplayImage(), splash->SourceImage(), QRect(90, 70, 25, 25)) > 10);
        QCOMPARE(DifferentPixels(splash->DisplayImage(), splash->SourceImage(), QRect(300, 10, 100, 50)), 0);
        // And it settles again, after a number of frames that a loaded machine draws late.
        QTRY_COMPARE_WITH_TIMEOUT(DifferentPixels(splash->DisplayImage(), splash->SourceImage(), QRect(1, 1, 422, 263)),
                                  0, 30000);
        splash->CloseSplash();
        QTRY_VERIFY(splash.isNull());
    }

    void clickOpensTheMakersSite()
    {
        TestSupport::UrlCatcher catcher({QStringLiteral("https")});
        QPointer<CSplashWnd> splash = new CSplashWnd(nullptr);
        QVERIFY(splash->Create(TestPicture()));
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://splash.test.example"))});
        QTest::mouseClick(splash, Qt::RightButton, {}, QPoint(200, 100));
        QCOMPARE(catcher.urls.size(), 1);
        delete splash;
    }

    void endsAfterItsTime()
    {
        QWidget main;
        main.show();
        QPointer<CSplashWnd> splash = new CSplashWnd(&main);
        QElapsedTimer clock;
        clock.start();
        // The moment it went away is taken when it goes, not guessed from a pause: a loaded machine
        // wakes the test late, and a splash that ended early would then pass unseen.
        qint64 endedAt = -1;
        const auto ended = [&] {
            if (endedAt < 0)
                endedAt = clock.elapsed();
        };
        connect(splash, &QObject::destroyed, this, ended);
        QVERIFY(splash->Create(TestPicture()));
        QVERIFY(splash->windowHandle());
        connect(splash->windowHandle(), &QWindow::visibleChanged, this, [&](bool visible) {
            if (!visible)
                ended();
        });
        QVERIFY(splash->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), CSplashWnd::kDisplayTimeMs + 10000);
        QVERIFY2(endedAt >= CSplashWnd::kDisplayTimeMs, qPrintable(QString::number(endedAt)));
        QVERIFY(main.isVisible());
    }

    // Last: the splash goes up once per run.
    void startSplashFollowsTheSetting()
    {
        QWidget main;
        CAppSettings settings;
        settings.ShowSplashscreen = 0;
        QVERIFY(!StartSplash(&main, settings));
        QVERIFY(!RunningSplash());

        settings.ShowSplashscreen = 1;
        QVERIFY(StartSplash(&main, settings));
        CSplashWnd* splash = RunningSplash();
        QVERIFY(splash);
        // Up and painted before the caller goes on with its start-up.
        QVERIFY(splash->isVisible());
        QVERIFY(splash->IsExposed());
        QCOMPARE(splash->size(), QSize(424, 265));
        QVERIFY(!StartSplash(&main, settings));
        CloseSplash();
        QTRY_VERIFY(!RunningSplash());
        QVERIFY(!StartSplash(&main, settings));
    }
};

QTEST_MAIN(TestSplashWnd)
#include "tst_splashwnd.moc"
