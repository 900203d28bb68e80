#include "compose/render/xhtml2image.h"
#include "support/loopbackhttpserver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtEndian>
#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Fixture(const char* name)
{
    QFile file(QStringLiteral(LISTORA_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("fixture %s missing", name);
    return QString::fromUtf8(file.readAll());
}

QString Rgb(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return QColor(p).name() + (qAlpha(p) == 255 ? QString() : QStringLiteral(" alpha %1").arg(qAlpha(p)));
}

QString SolidPage(const char* colour)
{
    return QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0;background:%1\"></body></html>")
        .arg(QLatin1String(colour));
}

bool WritePicture(const QString& path, QColor left, QColor right)
{
    QImage picture(200, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            picture.setPixel(x, y, (x < 100 ? left : right).rgb());
    return picture.save(path, "PNG");
}

} // namespace

class TestRenderer : public QObject
{
    Q_OBJECT

private:
    QImage RenderPage(const QString& page)
    {
        QImage image;
        QString error;
        if (!m_renderer.Render(page, 816, 1056, image, &error))
            qWarning() << "render failed:" << error;
        return image;
    }

    void VerifyColoursPage(const QImage& image)
    {
        QCOMPARE(image.size(), QSize(816, 1056));
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        QCOMPARE(Rgb(image, 0, 0), QStringLiteral("#c01020"));
        QCOMPARE(Rgb(image, 815, 0), QStringLiteral("#10c020"));
        QCOMPARE(Rgb(image, 0, 1055), QStringLiteral("#1020c0"));
        QCOMPARE(Rgb(image, 815, 1055), QStringLiteral("#f0e000"));
        QCOMPARE(Rgb(image, 400, 200), QStringLiteral("#ffffff"));
        // The local picture, 200 x 100 at (300, 400): orange left half, blue right half.
        QCOMPARE(Rgb(image, 350, 450), QStringLiteral("#ff8000"));
        QCOMPARE(Rgb(image, 450, 450), QStringLiteral("#0080ff"));
    }

    QString ColoursPage() const
    {
        return Fixture("colours.html")
            .replace(QLatin1String("@PICTURE@"), QUrl::fromLocalFile(m_strPicture).toString())
            .replace(QLatin1String("@MISSING@"), QUrl::fromLocalFile(m_dir.filePath("missing.jpg")).toString());
    }

    CXHTML2Image m_renderer;
    QTemporaryDir m_dir;
    QString m_strPicture;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!m_renderer.WorkerPath().isEmpty(), "listora-render-worker not found beside the test");
        QVERIFY(m_dir.isValid());
        m_strPicture = m_dir.filePath(QStringLiteral("photo with space.png"));
        QVERIFY(WritePicture(m_strPicture, QColor(0xff, 0x80, 0x00), QColor(0x00, 0x80, 0xff)));
        QVERIFY(m_renderer.WarmUp());
        m_renderer.SetLoadRoots({m_dir.path()});
    }

    // Exact size, the page's colours at its corners, a local picture, and a missing one that
    // does not keep the page from completing.
    void rendersColoursAndPictures()
    {
        const QImage image = RenderPage(ColoursPage());
        VerifyColoursPage(image);
        if (QTest::currentTestFailed())
            image.save(m_dir.filePath("colours-failed.png"));
    }

    void tallPageIsCutNotScaled()
    {
        const QImage image = RenderPage(Fixture("tall.html"));
        QCOMPARE(image.size(), QSize(816, 1056));
        // Bands of 100 pixels: red from 0, blue from 100, ..., red again from 1000.
        QCOMPARE(Rgb(image, 400, 50), QStringLiteral("#d00000"));
        QCOMPARE(Rgb(image, 400, 150), QStringLiteral("#0000d0"));
        QCOMPARE(Rgb(image, 400, 950), QStringLiteral("#0000d0"));
        QCOMPARE(Rgb(image, 400, 1055), QStringLiteral("#d00000"));
        // No scroll bar along the right edge.
        for (int y : {5, 150, 600, 1050})
            QCOMPARE(Rgb(image, 815, y), Rgb(image, 400, y));
    }

    void pageScriptsDoNotRun()
    {
        const QImage image = RenderPage(Fixture("script.html"));
        QCOMPARE(image.size(), QSize(816, 1056));
        for (QPoint p : {QPoint(0, 0), QPoint(400, 500), QPoint(815, 1055), QPoint(100, 10)})
            QCOMPARE(Rgb(image, p.x(), p.y()), QStringLiteral("#ffffff"));
    }

    void remoteResourcesAreNeverRequested()
    {
        TestSupport::LoopbackHttpServer server;
        QVERIFY(server.Start());
        {
            // The counter itself works.
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, server.serverPort());
            QVERIFY(probe.waitForConnected(2000));
            QTRY_COMPARE(server.connections, 1);
        }
        server.connections = 0;

        const QString page =
            Fixture("remote.html").replace(QLatin1String("@PORT@"), QString::number(server.serverPort()));
        const QImage image = RenderPage(page);
        QVERIFY(server.Settle());
        QCOMPARE(server.connections, 0);
        QCOMPARE(image.size(), QSize(816, 1056));
    }

    // A refresh tag cannot swap the flyer for another local page, now or at the next render.
    void refreshTagDoesNotNavigate()
    {
        const QString other = m_dir.filePath(QStringLiteral("other.html"));
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(SolidPage("#ff0000").toUtf8());
        file.close();
        const QString page =
            Fixture("refresh.html").replace(QLatin1String("@OTHER@"), QUrl::fromLocalFile(other).toString());
        // The refresh is due at once, when the page has loaded; a page is answered only after its
        // load and the frames after it, so each answer comes after the refresh was asked for.
        for (int i = 0; i < 2; ++i)
            QCOMPARE(Rgb(RenderPage(page), 400, 500), QStringLiteral("#ffffff"));
        QCOMPARE(Rgb(RenderPage(SolidPage("#00ff00")), 400, 500), QStringLiteral("#00ff00"));
    }

    // Photos keep their file names when the user replaces them; the new picture must show.
    void replacedPictureIsShown()
    {
        const QString path = m_dir.filePath(QStringLiteral("replaced.png"));
        const QString page = QStringLiteral("<html><body style=\"margin:0\"><img src=\"%1\" "
                                            "style=\"position:absolute;left:0;top:0\"></body></html>")
                                 .arg(QUrl::fromLocalFile(path).toString());
        QVERIFY(WritePicture(path, Qt::red, Qt::red));
        QCOMPARE(Rgb(RenderPage(page), 50, 50), QStringLiteral("#ff0000"));
        QVERIFY(WritePicture(path, Qt::green, Qt::green));
        QCOMPARE(Rgb(RenderPage(page), 50, 50), QStringLiteral("#00ff00"));
    }

    // Pages beyond the engine's 2 MB limit for inline content still render, pictures included.
    void largePageRenders()
    {
        QString page = ColoursPage();
        page.replace(QLatin1String("<body>"),
                     QLatin1String("<body><!--") + QString(3 * 1024 * 1024, QLatin1Char('x')) + QLatin1String("-->"));
        VerifyColoursPage(RenderPage(page));
        // The next large page is a page of its own, not the last one scrolled to another place.
        const QString padding =
            QLatin1String("<!--") + QString(3 * 1024 * 1024, QLatin1Char('y')) + QLatin1String("-->");
        for (const char* colour : {"#204060", "#604020"})
            QCOMPARE(Rgb(RenderPage(SolidPage(colour).replace(QLatin1String("<body"), padding + "<body")), 400, 500),
                     QLatin1String(colour));
    }

    void killedWorkerIsRestarted_data()
    {
        QTest::addColumn<bool>("noticedFirst");
        QTest::newRow("death seen only by the next render") << false;
        QTest::newRow("death seen while idle") << true;
    }

    void killedWorkerIsRestarted()
    {
        QFETCH(bool, noticedFirst);
        QVERIFY(!RenderPage(SolidPage("#123456")).isNull());
        const qint64 pid = m_renderer.WorkerProcessId();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        if (noticedFirst)
            QTRY_COMPARE(m_renderer.WorkerProcessId(), 0);
        const QImage image = RenderPage(SolidPage("#654321"));
        QCOMPARE(image.size(), QSize(816, 1056));
        QCOMPARE(Rgb(image, 400, 500), QStringLiteral("#654321"));
        QVERIFY(m_renderer.WorkerProcessId() != pid);
    }

    // The caller's event loop keeps running; a request made while another runs waits, and
    // only the newest waiting one is rendered.
    void asyncCoalescesAndKeepsEventLoop()
    {
        QSignalSpy finished(&m_renderer, &CXHTML2Image::RenderFinished);
        QSignalSpy superseded(&m_renderer, &CXHTML2Image::RenderSuperseded);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(5);

        const quint64 red = m_renderer.RenderAsync(SolidPage("#ff0000"), 816, 1056);
        const quint64 green = m_renderer.RenderAsync(SolidPage("#00ff00"), 816, 1056);
        const quint64 blue = m_renderer.RenderAsync(SolidPage("#0000ff"), 816, 1056);
        QVERIFY(m_renderer.IsBusy());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QVERIFY(ticks > 5);

        QCOMPARE(superseded.size(), 1);
        QCOMPARE(superseded.at(0).at(0).toULongLong(), green);
        QCOMPARE(finished.at(0).at(0).toULongLong(), red);
        QCOMPARE(Rgb(finished.at(0).at(1).value<QImage>(), 400, 500), QStringLiteral("#ff0000"));
        QCOMPARE(finished.at(1).at(0).toULongLong(), blue);
        QCOMPARE(Rgb(finished.at(1).at(1).value<QImage>(), 400, 500), QStringLiteral("#0000ff"));
        QVERIFY(!m_renderer.IsBusy());
    }

    // A blocking render waits for the running asynchronous one; each gets its own picture.
    void blockingRenderWaitsForAsync()
    {
        QSignalSpy finished(&m_renderer, &CXHTML2Image::RenderFinished);
        const quint64 red = m_renderer.RenderAsync(SolidPage("#ff0000"), 816, 1056);
        const QImage blue = RenderPage(SolidPage("#0000ff"));
        QCOMPARE(Rgb(blue, 400, 500), QStringLiteral("#0000ff"));
        QCOMPARE(finished.size(), 0); // delivered through the event loop, never inside Render
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toULongLong(), red);
        QCOMPARE(Rgb(finished.at(0).at(1).value<QImage>(), 400, 500), QStringLiteral("#ff0000"));
    }

    // The worker's own side of a drop: a page still loading is answered Dropped and the next page
    // is drawn; a drop for a page already answered changes nothing and is not answered.
    void workerDropsALoadingPage()
    {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::SeparateChannels);
        worker.setStandardErrorFile(QProcess::nullDevice());
        worker.start(m_renderer.WorkerPath(), QStringList());
        QVERIFY(worker.waitForStarted(30000));
        RenderProtocol::CFrameReader reader(RenderProtocol::CFrameReader::Kind::Reply);
        const auto next = [&](RenderProtocol::Reply& reply) {
            QElapsedTimer clock;
            clock.start();
            while (!reader.TakeReply(reply)) {
                if (reader.HasError() || clock.elapsed() > 60000 || worker.state() != QProcess::Running)
                    return false;
                worker.waitForReadyRead(200);
                reader.Append(worker.readAllStandardOutput());
            }
            return true;
        };
        const auto request = [](quint32 id, const char* colour) {
            RenderProtocol::Request r;
            r.id = id;
            r.width = 816;
            r.height = 1056;
            r.page = SolidPage(colour).toUtf8();
            return RenderProtocol::EncodeRequest(r);
        };
        RenderProtocol::Reply reply;
        worker.write(request(6, "#ffffff")); // the engine is up and idle after this one
        QVERIFY(next(reply));
        QCOMPARE(reply.id, 6u);

        worker.write(request(7, "#ff0000") + RenderProtocol::EncodeDrop(7) + request(8, "#0000ff"));
        QVERIFY(next(reply));
        QCOMPARE(reply.id, 7u);
        QCOMPARE(reply.status, RenderProtocol::Dropped);
        QVERIFY(reply.payload.isEmpty());
        QVERIFY(next(reply));
        QCOMPARE(reply.id, 8u);
        QCOMPARE(reply.status, RenderProtocol::Ok);
        QCOMPARE(QColor(qFromLittleEndian<quint32>(reply.payload.constData() + (500 * 816 + 400) * 4)).name(),
                 QStringLiteral("#0000ff"));

        worker.write(RenderProtocol::EncodeDrop(8) + request(9, "#00ff00"));
        QVERIFY(next(reply));
        QCOMPARE(reply.id, 9u);
        QCOMPARE(reply.status, RenderProtocol::Ok);
        QCOMPARE(QColor(qFromLittleEndian<quint32>(reply.payload.constData() + (500 * 816 + 400) * 4)).name(),
                 QStringLiteral("#00ff00"));
        worker.closeWriteChannel();
        QVERIFY(worker.waitForFinished(30000));
    }

    // A newer page given while the running one has only just started takes its place: the running one
    // is superseded and only the newer one is delivered. A replacement is itself never replaced.
    void replacingGivesUpTheRunningPage()
    {
        QImage warm;
        QVERIFY(m_renderer.Render(SolidPage("#ffffff"), 816, 1056, warm));
        QSignalSpy finished(&m_renderer, &CXHTML2Image::RenderFinished);
        QSignalSpy superseded(&m_renderer, &CXHTML2Image::RenderSuperseded);
        const quint64 white = m_renderer.RenderAsync(SolidPage("#ffffff"), 816, 1056);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000); // sets how long a page takes
        QCOMPARE(finished.at(0).at(0).toULongLong(), white);
        finished.clear();

        const quint64 red = m_renderer.RenderAsync(SolidPage("#ff0000"), 816, 1056);
        // Moments after it was sent, the running page is still young, whatever the machine's load
        // (the window is a share of how long a page took).
        const bool young = m_renderer.CanReplaceRunning();
        const quint64 blue = m_renderer.RenderReplacing(SolidPage("#0000ff"), 816, 1056);
        QVERIFY(!m_renderer.CanReplaceRunning());
        const quint64 green = m_renderer.RenderReplacing(SolidPage("#00ff00"), 816, 1056);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QTest::qWait(0);
        QList<quint64> ids, gone;
        for (const QList<QVariant>& f : std::as_const(finished))
            ids.append(f.at(0).toULongLong());
        for (const QList<QVariant>& s : std::as_const(superseded))
            gone.append(s.at(0).toULongLong());
        if (young) {
            QCOMPARE(gone, QList<quint64>{red});
            QCOMPARE(ids, (QList<quint64>{blue, green}));
            QCOMPARE(Rgb(finished.at(0).at(1).value<QImage>(), 400, 500), QStringLiteral("#0000ff"));
        } else {
            // Too late to replace: blue waited behind red, and green took its place in the queue.
            qWarning("the running page was not young enough to be replaced on this machine");
            QCOMPARE(gone, QList<quint64>{blue});
            QCOMPARE(ids, (QList<quint64>{red, green}));
            QCOMPARE(Rgb(finished.at(0).at(1).value<QImage>(), 400, 500), QStringLiteral("#ff0000"));
        }
        QCOMPARE(Rgb(finished.at(1).at(1).value<QImage>(), 400, 500), QStringLiteral("#00ff00"));
        QVERIFY(!m_renderer.IsBusy());
    }

    // A page whose frames never show what the readiness check waits for fails the render after
    // the bound instead of hanging; the next page renders again.
    void neverCompletingPageFails()
    {
        QImage image;
        QString error;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!m_renderer.Render(Fixture("hanging.html"), 816, 1056, image, &error));
        QVERIFY(image.isNull());
        QVERIFY2(error.contains(QLatin1String("did not complete")), qPrintable(error));
        QVERIFY(clock.elapsed() >= 9000);
        QCOMPARE(Rgb(RenderPage(SolidPage("#abcdef")), 10, 10), QStringLiteral("#abcdef"));
    }

    // A "picture" that is no file (a pipe nobody writes to, which would hold the page for good)
    // is not read, even inside the page's folders.
    void picturesMustBeFiles()
    {
        const QString fifo = m_dir.filePath(QStringLiteral("never.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString page = QStringLiteral("<html><body style=\"margin:0;background:#abcdef\"><img src=\"%1\" "
                                            "width=\"100\" height=\"100\"></body></html>")
                                 .arg(QUrl::fromLocalFile(fifo).toString());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Rgb(RenderPage(page), 400, 500), QStringLiteral("#abcdef"));
        QVERIFY(clock.elapsed() < 9000);
        // Release the engine's reader of the pipe, should there be one.
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }

    void badRequestsFailClearly()
    {
        QImage image;
        QString error;
        QVERIFY(!m_renderer.Render(SolidPage("#ffffff"), 0, 1056, image, &error));
        QVERIFY(error.contains(QLatin1String("0 x 1056")));

        CXHTML2Image orphan;
        orphan.SetWorkerPath(QString());
        QVERIFY(!orphan.Render(SolidPage("#ffffff"), 816, 1056, image, &error));
        QVERIFY2(error.contains(QLatin1String("not found")), qPrintable(error));
        QVERIFY(image.isNull());
    }
};

QTEST_GUILESS_MAIN(TestRenderer)
#include "tst_renderer.moc"
