#include "formats/colorref.h"
#include "mainwin/flyersession.h"

#include "flyer/flyerdocument.h"
#include "mainwin/coverqueue.h"
#include "mainwin/projectfiles.h"

#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "compose/findings.h"
#include "compose/flyerrenderer.h"
#include "projects/projectstore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Stands in for the engine: keeps every request and finishes one when the test says so.
class CFakeRenderer : public IFlyerRenderer
{
public:
    struct Request
    {
        quint64 id;
        QString page;
        QStringList roots;
    };
    QList<Request> requests; // in the order asked, finished ones removed
    quint64 nextId = 0;

    void SetCallbacks(CCallbacks callbacks) override { m_callbacks = std::move(callbacks); }
    quint64 RenderAsync(const QString& page, int width, int height, const QStringList& roots) override
    {
        if (width != 816 || height != 1056)
            qWarning("unexpected page size");
        requests.append({++nextId, page, roots});
        return nextId;
    }
    bool IsBusy() const override { return !requests.isEmpty(); }
    bool CanReplaceRunning() const override { return young && !requests.isEmpty(); }
    quint64 RenderReplacing(const QString& page, int width, int height, const QStringList& roots) override
    {
        if (!CanReplaceRunning())
            return RenderAsync(page, width, height, roots);
        Supersede(0);
        ++replaced;
        return RenderAsync(page, width, height, roots);
    }
    bool young = false; // the running request only just started
    int replaced = 0;
    QByteArray fitReport; // handed on with every page
    QByteArray LastFitReport() const override { return fitReport; }

    const Request& Last() const { return requests.last(); }
    // Finishes the oldest request (or the given one), with a picture or failing.
    quint64 Finish(bool ok = true, qsizetype index = 0)
    {
        const Request done = requests.takeAt(index);
        QImage image;
        if (ok) {
            image = QImage(816, 1056, QImage::Format_ARGB32);
            image.fill(Qt::white);
        }
        if (m_callbacks.finished)
            m_callbacks.finished(done.id, image, ok ? QString() : QStringLiteral("engine gone"));
        return done.id;
    }
    void FinishAll()
    {
        while (!requests.isEmpty())
            Finish();
    }
    void Supersede(qsizetype index)
    {
        const Request dropped = requests.takeAt(index);
        if (m_callbacks.superseded)
            m_callbacks.superseded(dropped.id);
    }

private:
    CCallbacks m_callbacks;
};

} // namespace

class TestFlyerSession : public QObject
{
    Q_OBJECT

    QTemporaryDir m_covers; // empty: every cover is missing until a test fills it
    std::unique_ptr<CAppSettings> m_settings;
    CXThemeCatalogue m_themes;
    std::unique_ptr<CFakeRenderer> m_renderer;
    std::unique_ptr<CFlyerDocument> m_doc;
    std::unique_ptr<CCoverQueue> m_queue;
    std::unique_ptr<CFlyerSession> m_session;

    QString Template(const QString& name) const
    {
        for (qsizetype i = 0; i < m_themes.size(); ++i)
            if (m_themes.at(i).GetName() == name)
                return m_themes.at(i).GetTemplate();
        return QString();
    }

    // A project as an earlier run left it, in its own folder under the projects folder.
    QString MakeProject(const QString& caption, const QString& font, ColorRef color)
    {
        CFlyerData data;
        data.Reset();
        data.m_strCaption = caption;
        data.m_strMLS = QStringLiteral("MLS# 5");
        data.m_strAddress = QStringLiteral("9 Elm Row");
        data.m_strCityStateZip = QStringLiteral("Fairhaven, WA 98225");
        data.m_strTheme = QStringLiteral("Classic - KT301");
        data.m_strFont = font;
        data.m_crColor = color;
        const QString folder = ProjectFolderPath(m_settings->strPath2FlyerProjects, data.m_strId);
        CreateProjectFolder(folder);
        data.SetPathName(ProjectFilePath(folder));
        if (!data.Save().IsOk())
            qWarning("fixture project not written");
        return data.m_strPathName;
    }

    // A project open and drawn, as after Open in the window.
    // A listing typed over the open project, with the project's extras.
    FlyerRequest Draft(const CFlyerData& record) const
    {
        FlyerRequest draft;
        draft.record = record;
        draft.extras = m_doc->Extras();
        return draft;
    }

    QString OpenDrawn(const QString& caption = QStringLiteral("Harbour View"))
    {
        const QString path = MakeProject(caption, QStringLiteral("Tahoma"), 0x00B16300);
        if (!m_doc->OpenProject(path).IsOk())
            qWarning("fixture project not opened");
        m_renderer->FinishAll();
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = std::make_unique<CAppSettings>();
        WorkingFolders::InitAppSettings(*m_settings);
        QDir(m_covers.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_covers.path()));
        m_settings->Path2ThemeCovers = m_covers.path();
        QVERIFY(m_themes.LoadAvailableThemes(m_settings->Path2Themes));
        QVERIFY(m_themes.size() >= 3);
        m_renderer = std::make_unique<CFakeRenderer>();
        m_doc = std::make_unique<CFlyerDocument>(CatalogueThemeAccess(m_themes));
        m_queue = std::make_unique<CCoverQueue>(*m_settings, m_themes, *m_renderer);
        m_session = std::make_unique<CFlyerSession>(*m_settings, m_themes, *m_renderer, *m_doc, *m_queue);
        // As the window does: whatever the document says must be drawn again is.
        connect(m_doc.get(), &CFlyerDocument::FlyerChanged, m_session.get(), &CFlyerSession::RenderFlyer);
        m_doc->SetLook({QStringLiteral("Simple - KT101"), QString(), QStringLiteral("Tahoma"), 0x00B16300});
    }

    void cleanup()
    {
        m_session.reset();
        m_queue.reset();
        m_doc.reset();
        m_renderer.reset();
        const QDir projects(m_settings->strPath2FlyerProjects);
        QDir(projects).removeRecursively();
    }

    void openAndCloseProject()
    {
        m_doc->ChooseTheme(QStringLiteral("Simple - KT101"), Template(QStringLiteral("Simple - KT101")));
        m_renderer->FinishAll();
        // Another project is drawn at once, in its own look, and may load its photos.
        const QString path = MakeProject(QStringLiteral("Harbour View"), QStringLiteral("Verdana"), 0x00123456);
        QVERIFY(m_doc->OpenProject(path).IsOk());
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Harbour View")));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Verdana")));
        QVERIFY(m_renderer->Last().roots.contains(m_doc->FlyerData().GetFolder()));
        m_renderer->FinishAll();

        // Closing shows the preview at once, through the whole cycle.
        m_doc->SetProjectDirty(true);
        m_doc->CloseProject();
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(!m_renderer->Last().page.contains(QStringLiteral("Harbour View")));
    }

    // A damaged photo of the open project is named once, when the flyer is drawn, not at every draw.
    void damagedPhotoIsNamedOnce()
    {
        const QString path = MakeProject(QStringLiteral("Harbour View"), QStringLiteral("Tahoma"), 0x00B16300);
        const QString folder = QFileInfo(path).absolutePath();
        QImage picture(600, 400, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPEG", 90));
        }
        const QString photo = QDir(folder).filePath(QStringLiteral("_photo01.jpg"));
        QFile file(photo);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg.left(700)) == 700);
        file.close();
        CFlyerData data;
        QVERIFY(data.Load(path).IsOk());
        data.m_photos[0].m_strPath = photo;
        QVERIFY(data.Save().IsOk());

        QVERIFY(m_doc->OpenProject(path).IsOk());
        QVERIFY(m_session->TakeNewPhotoProblems().isEmpty()); // nothing drawn yet
        m_renderer->FinishAll();
        const QString expected = QStringLiteral("Photo 1 (%1) is damaged or incomplete and cannot be used.")
                                     .arg(QDir::toNativeSeparators(photo));
        QCOMPARE(m_session->TakeNewPhotoProblems(), QStringList{expected});
        m_doc->ChooseFont(QStringLiteral("Verdana"));
        m_renderer->FinishAll();
        QVERIFY(m_session->TakeNewPhotoProblems().isEmpty());
        // Opened again, it is news again.
        QVERIFY(m_doc->OpenProject(path).IsOk());
        m_renderer->FinishAll();
        QCOMPARE(m_session->TakeNewPhotoProblems(), QStringList{expected});
    }

    void choicesDrawOnlyWhatChanges_data()
    {
        QTest::addColumn<bool>("projectOpen");
        QTest::newRow("preview") << false;
        QTest::newRow("project open") << true;
    }
    void choicesDrawOnlyWhatChanges()
    {
        QFETCH(bool, projectOpen);
        if (projectOpen)
            OpenDrawn();
        m_doc->ChooseTheme(QStringLiteral("Classic - KT301"), Template(QStringLiteral("Classic - KT301")));
        m_renderer->FinishAll();

        // The same choices again draw nothing.
        m_doc->ChooseTheme(m_doc->SelTheme(), m_doc->SelTemplate());
        m_doc->ChooseFont(m_doc->SelFont());
        m_doc->ChooseColor(m_doc->SelColor());
        QVERIFY(!m_session->IsRenderPending());
        // Each real change draws the page in the new look, as the project or the preview.
        const QString caption = QStringLiteral("Harbour View");
        m_doc->ChooseFont(QStringLiteral("Verdana"));
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Verdana")));
        QCOMPARE(m_renderer->Last().page.contains(caption), projectOpen);
        m_renderer->FinishAll();
        m_doc->ChooseTheme(QStringLiteral("Gallery - KT401"), Template(QStringLiteral("Gallery - KT401")));
        QVERIFY(m_session->IsRenderPending());
        m_renderer->FinishAll();
        // Refresh draws again; a template that cannot be read draws nothing.
        QVERIFY(m_doc->ReloadTemplate());
        QVERIFY(m_session->IsRenderPending());
        m_renderer->FinishAll();
        m_doc->ChooseTheme(QStringLiteral("Gone"), m_covers.filePath(QStringLiteral("gone/index.htm")));
        QVERIFY(!m_session->IsRenderPending());
    }

    void newProjectAndDetails()
    {
        m_settings->DefaultThemeFont = QStringLiteral("Verdana");
        m_settings->DefaultThemeColor = 0x00102030;
        CFlyerData details;
        details.m_strCaption = QStringLiteral("Sunny Cottage");
        details.m_strMLS = QStringLiteral("MLS# 9001");
        CListingExtras extras;
        extras.m_strListingUrl = QStringLiteral("https://homes.example/9001");
        CFlyerData record = ProjectFiles::NewRecord(details, *m_settings);
        CListingExtras made;
        ProjectFiles::CopyDetailsExtras(extras, made);
        const ProjectFiles::CSaveOutcome saved = ProjectFiles::SaveListingFiles(record, made, {}, *m_settings);
        QVERIFY2(saved.saved, qPrintable(saved.warnings.join('\n')));
        m_doc->AdoptNewProject(record, made, saved.saved);
        QVERIFY(m_doc->IsProjectOpen());
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->SelFont(), QStringLiteral("Verdana"));
        QCOMPARE(m_doc->SelColor(), 0x00102030u);
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Sunny Cottage")));
        const QString path = m_doc->FlyerData().m_strPathName;
        QVERIFY(path.startsWith(m_settings->strPath2FlyerProjects));
        CListingExtras storedExtras;
        QCOMPARE(storedExtras.Load(m_doc->FlyerData().GetFolder()).kind, CListingExtras::Loaded);
        QCOMPARE(storedExtras.m_strListingUrl, extras.m_strListingUrl);

        // Details saves the listing at once.
        details.m_strPrice = QStringLiteral("Offered at $3");
        ProjectFiles::CopyListingFields(details, record);
        QVERIFY(ProjectFiles::SaveListingFiles(record, made, made.m_crops, *m_settings).saved);
        CFlyerData stored;
        stored.Reset();
        QVERIFY(stored.Load(path).IsOk());
        QCOMPARE(stored.m_strPrice, QStringLiteral("Offered at $3"));

        // A project that cannot be written is told about.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        const ProjectFiles::CSaveOutcome failed =
            ProjectFiles::SaveListingFiles(record, made, made.m_crops, *m_settings);
        QVERIFY(!failed.saved);
        QCOMPARE(failed.warnings.size(), 1);
    }

    void optionsChange_data()
    {
        QTest::addColumn<int>("change"); // 0 nothing, 1 a colouring flag, 2 a logo flag, 3 ShowAllFonts
        QTest::addColumn<bool>("visited");
        QTest::addColumn<bool>("redrawn");
        QTest::addColumn<bool>("rebuildFonts");
        QTest::newRow("nothing") << 0 << false << false << false;
        QTest::newRow("profile page shown") << 0 << true << true << false;
        QTest::newRow("colouring flag") << 1 << false << true << false;
        QTest::newRow("logo flag") << 2 << false << true << false;
        QTest::newRow("all fonts") << 3 << false << false << true;
    }
    void optionsChange()
    {
        QFETCH(int, change);
        QFETCH(bool, visited);
        QFETCH(bool, redrawn);
        QFETCH(bool, rebuildFonts);
        m_doc->ChooseTheme(QStringLiteral("Simple - KT101"), Template(QStringLiteral("Simple - KT101")));
        m_renderer->FinishAll();
        const CFlyerSession::COptionsSnapshot before = m_session->TakeOptionsSnapshot();
        if (change == 1)
            m_settings->ColorPrice = 1 - m_settings->ColorPrice;
        else if (change == 2)
            m_settings->IncludeMyLogo = 1 - m_settings->IncludeMyLogo;
        else if (change == 3)
            m_settings->ShowAllFonts = 1 - m_settings->ShowAllFonts;
        const CFlyerSession::COptionsEffect effect = m_session->OptionsAccepted(before, visited);
        QCOMPARE(effect.redrawn, redrawn);
        QCOMPARE(effect.rebuildFonts, rebuildFonts);
        QCOMPARE(m_session->IsRenderPending(), redrawn);
    }

    // What the page cut and the frames it left empty are kept for the window, a line each, and go
    // with the next page that cuts nothing.
    void cutTextAndEmptyFramesAreTold()
    {
        OpenDrawn(QStringLiteral("Cedar House"));
        m_doc->ChooseTheme(QStringLiteral("Gallery - KT401"), Template(QStringLiteral("Gallery - KT401")));
        m_renderer->fitReport =
            R"([{"name":"description","base":14,"size":9.8,"limit":0.7,"fits":false,"shown":true,)"
            R"("chars":1480,"kept":612,"cut":true},{"name":"price","fits":true,"chars":9,"kept":9},)"
            R"({"emptyFrames":2}])";
        m_renderer->FinishAll();
        QCOMPARE(
            m_session->CutTextMessages(),
            (QStringList{
                QStringLiteral("The description is cut after 612 of 1,480 characters in %1.").arg(m_doc->SelTheme()),
                EmptyFrameMessage(2)}));
        m_doc->ChooseColor(0x00563412);
        m_renderer->fitReport = R"([{"name":"description","fits":true,"chars":10,"kept":10}])";
        m_renderer->FinishAll();
        QVERIFY(m_session->CutTextMessages().isEmpty());
    }

    void newestChoiceIsShown()
    {
        OpenDrawn(QStringLiteral("Cedar House"));
        QSignalSpy ready(m_session.get(), &CFlyerSession::FlyerReady);
        QSignalSpy failed(m_session.get(), &CFlyerSession::FlyerFailed);

        // Theme, font and colour in quick succession: each page carries the look asked for.
        m_doc->ChooseTheme(QStringLiteral("Gallery - KT401"), Template(QStringLiteral("Gallery - KT401")));
        const QString galleryPage = m_renderer->Last().page;
        QVERIFY(galleryPage.contains(QStringLiteral("Cedar House")));
        // The page may load the project's photos.
        QVERIFY(m_renderer->Last().roots.contains(m_doc->FlyerData().GetFolder()));
        m_doc->ChooseFont(QStringLiteral("Verdana"));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Verdana")));
        QVERIFY(!galleryPage.contains(QStringLiteral("Verdana")));
        m_doc->ChooseColor(0x00563412);
        QVERIFY(m_renderer->Last().page.contains(ColorRefToHex(0x00563412), Qt::CaseInsensitive));
        QVERIFY(m_session->FlyerImage().isNull());

        // Older pages that finish are not shown; the newest is.
        m_renderer->Finish();
        m_renderer->Finish();
        QCOMPARE(ready.size(), 0);
        QVERIFY(m_session->IsRenderPending());
        m_renderer->Finish();
        QCOMPARE(ready.size(), 1);
        QVERIFY(!m_session->FlyerImage().isNull());
        QVERIFY(!m_session->IsRenderPending());

        // A failed page leaves no flyer and says why.
        m_session->RenderFlyer();
        m_renderer->Finish(false);
        QCOMPARE(failed.size(), 1);
        QVERIFY(
            failed.first().first().toString().startsWith(QStringLiteral("The flyer could not be drawn.\nengine gone")));
        QVERIFY(m_session->FlyerImage().isNull());
    }

    void draftIsShownWithoutChangingTheProject()
    {
        const QString path = OpenDrawn(QStringLiteral("Saved Caption"));
        CFlyerData draft = m_doc->FlyerData();
        draft.m_strCaption = QStringLiteral("Typed Caption");
        m_session->RenderDraft(Draft(draft));
        QVERIFY(m_session->IsDrafting());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Typed Caption")));
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->FlyerData().m_strCaption, QStringLiteral("Saved Caption"));

        // Later draws keep the draft; a save meanwhile writes the saved record, not the draft.
        m_doc->ChooseFont(QStringLiteral("Verdana"));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Typed Caption")));
        QVERIFY(m_doc->SaveProject());
        CFlyerData stored;
        stored.Reset();
        QVERIFY(stored.Load(path).IsOk());
        QCOMPARE(stored.m_strCaption, QStringLiteral("Saved Caption"));

        // A draft profile too: the agent's name on the page follows it.
        CAppSettings profile = *m_settings;
        profile.FullName = QStringLiteral("Morgan Draftworth");
        m_session->RenderProfileDraft(profile);
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Morgan Draftworth")));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Typed Caption")));

        m_renderer->FinishAll();
        m_session->EndDraft();
        QVERIFY(!m_session->IsDrafting());
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Saved Caption")));
        QVERIFY(!m_renderer->Last().page.contains(QStringLiteral("Morgan Draftworth")));
        m_renderer->FinishAll();
        // Nothing drafted: nothing to draw again.
        m_session->EndDraft();
        QVERIFY(!m_session->IsRenderPending());
    }

    // A draft page may take the place of the flyer page being drawn, never of a cover, and only
    // when the draft asks for it.
    void draftPageReplacesOnlyAFlyerPage()
    {
        OpenDrawn(QStringLiteral("Saved Caption"));
        CFlyerData draft = m_doc->FlyerData();
        m_renderer->young = true;
        QVERIFY(!m_session->CanReplaceDraftPage()); // no draft yet
        draft.m_strCaption = QStringLiteral("Typed A");
        m_session->RenderDraft(Draft(draft));
        QVERIFY(m_session->CanReplaceDraftPage());
        draft.m_strCaption = QStringLiteral("Typed AB");
        m_session->RenderDraft(Draft(draft)); // not asked to replace: waits behind
        QCOMPARE(m_renderer->replaced, 0);
        QCOMPARE(m_renderer->requests.size(), 2);
        m_renderer->FinishAll();

        draft.m_strCaption = QStringLiteral("Typed ABC");
        m_session->RenderDraft(Draft(draft));
        m_session->ReplaceWithNextDraft();
        draft.m_strCaption = QStringLiteral("Typed ABCD");
        m_session->RenderDraft(Draft(draft));
        QCOMPARE(m_renderer->replaced, 1);
        QCOMPARE(m_renderer->requests.size(), 1);
        QSignalSpy ready(m_session.get(), &CFlyerSession::FlyerReady);
        m_renderer->Finish();
        QCOMPARE(ready.size(), 1);
        QVERIFY(!m_session->IsRenderPending());

        // A cover on its way is never given up for a draft.
        m_queue->CreateMissingThemeCovers(false);
        QVERIFY(m_queue->IsMakingCovers());
        QVERIFY(m_renderer->IsBusy());
        m_session->RenderDraft(Draft(draft));
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(!m_session->CanReplaceDraftPage());
        m_renderer->FinishAll();
        m_session->EndDraft();
        m_renderer->young = false;
    }

    void newListingDraftWithoutProject()
    {
        m_doc->ChooseTheme(QStringLiteral("Simple - KT101"), Template(QStringLiteral("Simple - KT101")));
        m_renderer->FinishAll();
        CFlyerData draft;
        draft.Reset();
        draft.m_strCaption = QStringLiteral("Brand New Listing");
        m_session->RenderDraft(Draft(draft));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Brand New Listing")));
        QVERIFY(!m_doc->IsProjectOpen());
        m_renderer->FinishAll();
        m_session->EndDraft();
        QVERIFY(!m_renderer->Last().page.contains(QStringLiteral("Brand New Listing")));
    }

    void coversAreMadeInOrderBetweenFlyers()
    {
        QSignalSpy started(m_queue.get(), &CCoverQueue::CoverStarted);
        QSignalSpy finished(m_queue.get(), &CCoverQueue::CoversFinished);
        // A flyer on its way: covers wait for it.
        m_doc->ChooseTheme(QStringLiteral("Simple - KT101"), Template(QStringLiteral("Simple - KT101")));
        m_queue->CreateMissingThemeCovers(false);
        QVERIFY(m_queue->IsMakingCovers());
        QCOMPARE(m_renderer->requests.size(), 1);
        m_renderer->Finish();
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first(), (QVariantList{0, int(m_themes.size())}));
        QVERIFY(m_renderer->Last().roots.contains(QFileInfo(m_themes.at(0).GetTemplate()).absolutePath()));

        // A cover superseded by a flyer goes back to the front of the line.
        m_session->RenderFlyer();
        m_renderer->Supersede(0);
        m_renderer->Finish(); // the flyer
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.last(), (QVariantList{0, int(m_themes.size())}));
        m_renderer->Finish(); // the first theme's cover
        QVERIFY(QFile::exists(m_covers.filePath(m_themes.at(0).GetCover())));
        QCOMPARE(started.last(), (QVariantList{1, int(m_themes.size())}));
        QVERIFY(!QFile::exists(m_covers.filePath(m_themes.at(1).GetCover())));
        m_renderer->Finish();
        QVERIFY(QFile::exists(m_covers.filePath(m_themes.at(1).GetCover())));

        m_renderer->FinishAll();
        QCOMPARE(finished.size(), 1);
        QVERIFY(!m_queue->IsMakingCovers());
        for (qsizetype i = 0; i < m_themes.size(); ++i)
            QCOMPARE(QImage(m_covers.filePath(m_themes.at(i).GetCover())).size(), QSize(71, 92));
        // Nothing missing: nothing queued.
        m_queue->CreateMissingThemeCovers(false);
        QVERIFY(!m_queue->IsMakingCovers());
    }

    void noTemplateNoFlyer()
    {
        QSignalSpy failed(m_session.get(), &CFlyerSession::FlyerFailed);
        m_session->RenderFlyer();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), QStringLiteral("The theme's template could not be read."));
        QVERIFY(!m_session->IsRenderPending());
        QVERIFY(m_renderer->requests.isEmpty());
    }
};

// Sidebar themes draw their caption picture with the system's fonts, which need the GUI application.
QTEST_MAIN(TestFlyerSession)
#include "tst_flyersession.moc"
