// The live flyer's rules without a window or renderer: newest state only, photo copies, placement.
#include "imaging/photointake.h"
#include "mainwin/livedraft.h"
#include "projects/draftphotos.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Stands in for the renderer: remembers every page it was asked for and answers only when told.
struct FakeRenderer
{
    QList<CFlyerDraft> pages;
    quint64 next = 100;
    quint64 inFlight = 0;

    quint64 Render(const CFlyerDraft& draft)
    {
        pages.append(draft);
        inFlight = ++next;
        return inFlight;
    }
};

CFlyerDraft Typed(const QString& caption)
{
    CFlyerDraft draft;
    draft.request.record.m_strCaption = caption;
    return draft;
}

} // namespace

class TestLiveDraft : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString MakePhoto(const QString& name, QSize size, QColor left, QColor right)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(left);
        for (int y = 0; y < size.height(); ++y)
            for (int x = size.width() / 2; x < size.width(); ++x)
                image.setPixelColor(x, y, right);
        const QString path = m_dir.filePath(name);
        if (!image.save(path, "JPEG", 95))
            qWarning("photo fixture not written");
        return path;
    }

private Q_SLOTS:
    // A fast typist: while one page renders, only the newest of many edits is rendered next, and
    // edits within one pass of the event loop make a single page.
    void onlyTheNewestStateIsRendered()
    {
        FakeRenderer renderer;
        CXLiveDraft live([&](const CFlyerDraft& d) { return renderer.Render(d); }, m_dir.filePath("drafts"));
        CFlyerData saved;
        live.Begin(saved, {});
        live.SetDraft(Typed("a"));
        live.SetDraft(Typed("ab"));
        QTRY_COMPARE(renderer.pages.size(), 1);
        QCOMPARE(renderer.pages[0].request.record.m_strCaption, QStringLiteral("ab"));

        for (const char* caption : {"abc", "abcd", "abcde"})
            live.SetDraft(Typed(QString::fromLatin1(caption)));
        QTest::qWait(20);
        QCOMPARE(renderer.pages.size(), 1); // still busy with "ab"

        live.OnRenderFinished(renderer.inFlight + 7); // someone else's page
        QCOMPARE(renderer.pages.size(), 1);
        live.OnRenderFinished(renderer.inFlight);
        QCOMPARE(renderer.pages.size(), 2);
        QCOMPARE(renderer.pages[1].request.record.m_strCaption, QStringLiteral("abcde"));

        live.OnRenderFinished(renderer.inFlight);
        QVERIFY(live.IsIdle());
        QTest::qWait(20);
        QCOMPARE(renderer.pages.size(), 2); // nothing new to show

        // After End nothing more goes out, even when the last page comes back.
        live.SetDraft(Typed("abcdef"));
        QTRY_COMPARE(renderer.pages.size(), 3);
        live.SetDraft(Typed("abcdefg"));
        live.End();
        live.OnRenderFinished(renderer.inFlight);
        QTest::qWait(20);
        QCOMPARE(renderer.pages.size(), 3);
        QVERIFY(live.HasRendered());
    }

    // A page still loading may be given up for the newest state, but only once per page shown: the
    // replacement itself is always waited for, so a typist faster than the renderer still sees pages.
    void newestStateMayReplaceALoadingPage()
    {
        FakeRenderer renderer;
        bool canReplace = false;
        QList<bool> replacing;
        CXLiveDraft live([&](const CFlyerDraft& d) { return renderer.Render(d); }, m_dir.filePath("drafts4"));
        live.SetReplacement([&] { return canReplace; },
                            [&](const CFlyerDraft& d) {
                                renderer.pages.append(d);
                                renderer.inFlight = ++renderer.next;
                                return renderer.inFlight;
                            });
        connect(&live, &CXLiveDraft::DraftSent, this, [&](quint64, bool r) { replacing.append(r); });
        live.Begin(CFlyerData(), {});
        live.SetDraft(Typed("a"));
        QTRY_COMPARE(renderer.pages.size(), 1);

        live.SetDraft(Typed("ab")); // the page is past loading: "ab" waits
        QTest::qWait(20);
        QCOMPARE(renderer.pages.size(), 1);

        canReplace = true;
        live.SetDraft(Typed("abc"));
        QTRY_COMPARE(renderer.pages.size(), 2);
        QCOMPARE(renderer.pages[1].request.record.m_strCaption, QStringLiteral("abc"));
        live.SetDraft(Typed("abcd")); // the replacement is not replaced
        QTest::qWait(20);
        QCOMPARE(renderer.pages.size(), 2);

        live.OnRenderFinished(renderer.inFlight - 1); // the given-up page never answers as the draft's
        QCOMPARE(renderer.pages.size(), 2);
        live.OnRenderFinished(renderer.inFlight);
        QCOMPARE(renderer.pages.size(), 3);
        QCOMPARE(renderer.pages[2].request.record.m_strCaption, QStringLiteral("abcd"));
        QCOMPARE(replacing, (QList<bool>{false, true, false}));

        live.SetDraft(Typed("abcde")); // a new page shown: one replacement is allowed again
        QTRY_COMPARE(renderer.pages.size(), 4);
        QCOMPARE(replacing.last(), true);
    }

    // A photo chosen in the dialog shows from a reduced copy made in the scratch folder; the saved
    // photo is used as it is, and the project folder is never written.
    void changedPhotoShowsFromACopy()
    {
        const QString project = m_dir.filePath("project");
        QVERIFY(QDir().mkpath(project));
        const QString savedPhoto = MakePhoto("project/_photo01.jpg", QSize(600, 400), Qt::green, Qt::green);
        const QString chosen = MakePhoto("chosen.jpg", QSize(4000, 3000), Qt::red, Qt::blue);
        const QString drafts = m_dir.filePath("drafts2");

        FakeRenderer renderer;
        CXLiveDraft live([&](const CFlyerDraft& d) { return renderer.Render(d); }, drafts);
        CFlyerData saved;
        saved.m_photos[0].m_strPath = savedPhoto;
        live.Begin(saved, {});

        CFlyerDraft draft;
        draft.request.record = saved;
        draft.request.record.m_photos[1].m_strPath = chosen;
        draft.request.extras.m_crops[1] = QRect(2000, 0, 2000, 1400); // the blue half
        live.SetDraft(draft);
        // No page goes out without the new photo: the copy is waited for.
        QTRY_COMPARE_WITH_TIMEOUT(renderer.pages.size(), 1, 20000);
        const QString copy = renderer.pages[0].request.record.m_photos[1].m_strPath;
        QCOMPARE(QFileInfo(copy).absolutePath(), QDir(drafts).absolutePath());
        QCOMPARE(renderer.pages[0].request.record.m_photos[0].m_strPath, savedPhoto);
        const QImage shown(copy);
        QCOMPARE(shown.size(), QSize(500, 350)); // the crop, fitted as the intake fits slot 2
        const QColor middle = shown.pixelColor(250, 175);
        QVERIFY2(middle.blue() > 200 && middle.red() < 60, qPrintable(middle.name()));
        QCOMPARE(QDir(project).entryList(QDir::Files), QStringList{"_photo01.jpg"});

        // The same photo again needs no second copy.
        live.OnRenderFinished(renderer.inFlight);
        live.SetDraft(draft);
        QTRY_COMPARE(renderer.pages.size(), 2);
        QCOMPARE(renderer.pages[1].request.record.m_photos[1].m_strPath, copy);
        QCOMPARE(QDir(drafts).entryList(QDir::Files).size(), 1);
    }

    void unreadablePhotoIsReported()
    {
        const QString broken = m_dir.filePath("broken.jpg");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        file.close();
        FakeRenderer renderer;
        CXLiveDraft live([&](const CFlyerDraft& d) { return renderer.Render(d); }, m_dir.filePath("drafts3"));
        QSignalSpy failed(&live, &CXLiveDraft::PhotoFailed);
        live.Begin(CFlyerData(), {});
        CFlyerDraft draft;
        draft.request.record.m_photos[0].m_strPath = broken;
        live.SetDraft(draft);
        QTRY_COMPARE(failed.size(), 1);
        // The page still goes out, with the slot as it was.
        QTRY_COMPARE(renderer.pages.size(), 1);
        QCOMPARE(renderer.pages[0].request.record.m_photos[0].m_strPath, QString());
        live.OnRenderFinished(renderer.inFlight);
        QVERIFY(live.IsIdle());
    }

    // A large camera JPEG is reduced the way the intake reduces it, including the EXIF-free
    // portrait case and a main photo.
    void draftPhotoSizes_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("12 MP main") << QSize(4000, 3000) << 1 << QSize(600, 450);
        QTest::newRow("small second") << QSize(560, 360) << 2 << QSize(500, 321);
        QTest::newRow("never enlarged") << QSize(400, 300) << 3 << QSize(400, 300);
    }

    void draftPhotoSizes()
    {
        QFETCH(QSize, photo);
        QFETCH(int, slot);
        QFETCH(QSize, expected);
        const QString source = MakePhoto(QStringLiteral("size-%1.jpg").arg(photo.width()), photo, Qt::gray, Qt::gray);
        const QString target = m_dir.filePath(QStringLiteral("out-%1.jpg").arg(photo.width()));
        QString why;
        QVERIFY2(CXDraftPhotos::MakeDraftPhoto(source, slot, std::nullopt, target, &why), qPrintable(why));
        QCOMPARE(QImageReader(target).size(), expected);
    }

    void placeBesideFlyer_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("flyer");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("expected"); // (-1, -1): no room
        const QRect wide(0, 0, 2560, 1400);
        QTest::newRow("left of the flyer") << wide << QRect(1200, 100, 700, 900) << QSize(800, 600) << QPoint(392, 100);
        QTest::newRow("right when the left is short")
            << wide << QRect(300, 100, 700, 900) << QSize(800, 600) << QPoint(1008, 100);
        QTest::newRow("kept on the screen vertically")
            << wide << QRect(1200, 1000, 700, 300) << QSize(800, 600) << QPoint(392, 800);
        QTest::newRow("no room") << QRect(0, 0, 1280, 1024) << QRect(400, 50, 600, 800) << QSize(800, 600)
                                 << QPoint(-1, -1);
        QTest::newRow("taller than the screen")
            << QRect(0, 0, 2560, 500) << QRect(1200, 0, 300, 400) << QSize(800, 600) << QPoint(-1, -1);
    }

    void placeBesideFlyer()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, flyer);
        QFETCH(QSize, dialog);
        QFETCH(QPoint, expected);
        QCOMPARE(PlaceBesideFlyer(screen, flyer, dialog).value_or(QPoint(-1, -1)), expected);
    }
};

QTEST_GUILESS_MAIN(TestLiveDraft)
#include "tst_livedraft.moc"
