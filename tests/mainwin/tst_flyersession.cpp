#include "formats/colorref.h"
#include "mainwin/flyersession.h"

#include "app/workingfolders.h"
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
    QString OpenDrawn(const QString& caption = QStringLiteral("Harbour View"))
    {
        const QString path = MakeProject(caption, QStringLiteral("Tahoma"), 0x00B16300);
        if (!m_session->OpenProject(path).IsOk())
            qWarning("fixture project not opened");
        m_session->SetSelection(QStringLiteral("Classic - KT301"), m_session->SelFont(), m_session->SelColor());
        m_session->ChooseTemplate(Template(QStringLiteral("Classic - KT301")), true);
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
        m_session = std::make_unique<CFlyerSession>(*m_settings, m_themes, *m_renderer);
        m_session->SetSelection(QStringLiteral("Simple - KT101"), QStringLiteral("Tahoma"), 0x00B16300);
        m_session->SetShownColor(0x00B16300);
    }

    void cleanup()
    {
        m_session.reset();
        m_renderer.reset();
        const QDir projects(m_settings->strPath2FlyerProjects);
        QDir(projects).removeRecursively();
    }

    void openAndCloseProject()
    {
        const QString path = MakeProject(QStringLiteral("Harbour View"), QStringLiteral("Verdana"), 0x00123456);
        QVERIFY(m_session->OpenProject(path).IsOk());
        QVERIFY(m_session->IsProjectOpen());
        QVERIFY(!m_session->IsProjectDirty());
        QCOMPARE(m_session->FlyerData().m_strCaption, QStringLiteral("Harbour View"));
        QCOMPARE(m_session->SelFont(), QStringLiteral("Verdana"));
        QCOMPARE(m_session->SelColor(), 0x00123456u);

        // A file that is no project leaves the open one as it was.
        const QString broken = m_covers.filePath(QStringLiteral("broken.lso"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a flyer project") > 0);
        file.close();
        QVERIFY(!m_session->OpenProject(broken).IsOk());
        QVERIFY(m_session->IsProjectOpen());
        QCOMPARE(m_session->FlyerData().m_strPathName, path);

        // Closing shows the preview at once, through the whole cycle.
        m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")), true);
        m_renderer->FinishAll();
        m_session->SetProjectDirty(true);
        m_session->CloseProject();
        QVERIFY(!m_session->IsProjectOpen());
        QVERIFY(!m_session->IsProjectDirty());
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(!m_renderer->Last().page.contains(QStringLiteral("Harbour View")));
        QVERIFY(m_session->FlyerData().m_strPathName.isEmpty());
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

        QVERIFY(m_session->OpenProject(path).IsOk());
        m_session->ChooseTemplate(Template(QStringLiteral("Classic - KT301")), true);
        QVERIFY(m_session->TakeNewPhotoProblems().isEmpty()); // nothing drawn yet
        m_renderer->FinishAll();
        const QString expected = QStringLiteral("Photo 1 (%1) is damaged or incomplete and cannot be used.")
                                     .arg(QDir::toNativeSeparators(photo));
        QCOMPARE(m_session->TakeNewPhotoProblems(), QStringList{expected});
        m_session->ChooseFont(QStringLiteral("Verdana"));
        m_renderer->FinishAll();
        QVERIFY(m_session->TakeNewPhotoProblems().isEmpty());
        // Opened again, it is news again.
        QVERIFY(m_session->OpenProject(path).IsOk());
        m_session->Refresh();
        m_renderer->FinishAll();
        QCOMPARE(m_session->TakeNewPhotoProblems(), QStringList{expected});
    }

    void choicesMarkAnOpenProjectChanged_data()
    {
        QTest::addColumn<bool>("projectOpen");
        QTest::newRow("preview") << false;
        QTest::newRow("project open") << true;
    }
    void choicesMarkAnOpenProjectChanged()
    {
        QFETCH(bool, projectOpen);
        if (projectOpen)
            OpenDrawn();
        else {
            m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")));
            m_renderer->FinishAll();
        }
        QVERIFY(!m_session->IsProjectDirty());

        // The same choices again draw nothing and change nothing.
        QVERIFY(!m_session->ChooseTemplate(m_session->SelTemplate()));
        QVERIFY(!m_session->ChooseFont(m_session->SelFont()));
        QVERIFY(!m_session->ChooseColor(m_session->SelColor()));
        QVERIFY(!m_session->IsRenderPending());
        QVERIFY(!m_session->IsProjectDirty());

        // Each real change draws; only a project becomes changed.
        QVERIFY(m_session->ChooseFont(QStringLiteral("Verdana")));
        QVERIFY(m_session->IsRenderPending());
        QCOMPARE(m_session->IsProjectDirty(), projectOpen);
        m_session->SetProjectDirty(false);
        QVERIFY(m_session->ChooseColor(0x00102030));
        QCOMPARE(m_settings->LastColor, 0x00102030u);
        QCOMPARE(m_session->IsProjectDirty(), projectOpen);
        m_session->SetProjectDirty(false);
        QVERIFY(m_session->ChooseTemplate(Template(QStringLiteral("Gallery - KT401"))));
        QCOMPARE(m_session->IsProjectDirty(), projectOpen);
        // The project's own theme shown again (Open, New) is no change of the user's.
        m_session->SetProjectDirty(false);
        QVERIFY(m_session->ChooseTemplate(m_session->SelTemplate(), true));
        QVERIFY(!m_session->IsProjectDirty());
        // A template that cannot be read draws nothing.
        QVERIFY(!m_session->ChooseTemplate(m_covers.filePath(QStringLiteral("gone/index.htm"))));
        QVERIFY(!m_session->IsProjectDirty());
        // Refresh draws the same page again and leaves the state alone.
        m_renderer->FinishAll();
        QVERIFY(!m_session->Refresh());
        m_session->ChooseTemplate(Template(QStringLiteral("Gallery - KT401")));
        m_renderer->FinishAll();
        m_session->SetProjectDirty(false);
        QVERIFY(m_session->Refresh());
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(!m_session->IsProjectDirty());
        QCOMPARE(m_session->IsProjectOpen(), projectOpen);
    }

    void colourComparedWithTheFlyer()
    {
        // Opened in another colour while the palette remembers the last one: picking that one
        // must still recolour the flyer.
        m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")));
        m_renderer->FinishAll();
        OpenDrawn();
        QCOMPARE(m_session->SelColor(), 0x00B16300u);
        m_session->SetSelectedColor(0x00C07B7B);
        m_session->RenderFlyer();
        m_renderer->FinishAll();
        QVERIFY(m_session->ChooseColor(0x00B16300));
        QVERIFY(m_session->IsProjectDirty());
    }

    void buttonStates_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QList<bool>>("expected"); // save, details, export, email
        QTest::newRow("preview") << false << false << true << QList<bool>{false, false, false, false};
        QTest::newRow("open, clean") << true << false << false << QList<bool>{false, true, true, false};
        QTest::newRow("open, changed") << true << true << false << QList<bool>{true, true, true, false};
        QTest::newRow("open, mail") << true << false << true << QList<bool>{false, true, true, true};
    }
    void buttonStates()
    {
        QFETCH(bool, open);
        QFETCH(bool, dirty);
        QFETCH(bool, mail);
        QFETCH(QList<bool>, expected);
        if (open)
            OpenDrawn();
        m_session->SetProjectDirty(dirty);
        m_session->SetHasMailClient(mail);
        const CFlyerSession::CButtonStates states = m_session->ButtonStates();
        QCOMPARE((QList<bool>{states.save, states.details, states.exportFlyer, states.email}), expected);
    }

    void saveWritesTheLook()
    {
        const QString path = OpenDrawn();
        // Nothing to save: nothing written.
        QVERIFY(QFile::remove(path));
        QVERIFY(m_session->SaveProject());
        QVERIFY(!QFile::exists(path));

        m_session->SetSelection(QStringLiteral("Gallery - KT401"), QStringLiteral("Verdana"), 0x00203040);
        m_session->SetProjectDirty(true);
        QVERIFY(m_session->NeedsSavePrompt());
        QVERIFY(m_session->SavePromptText().startsWith(
            QStringLiteral("Save changes to flyer project:\n\n[MLS# 5] 9 Elm Row")));
        QVERIFY(m_session->SaveProject());
        QVERIFY(!m_session->IsProjectDirty());
        CFlyerData stored;
        stored.Reset();
        QVERIFY(stored.Load(path).IsOk());
        QCOMPARE(stored.m_strTheme, QStringLiteral("Gallery - KT401"));
        QCOMPARE(stored.m_strFont, QStringLiteral("Verdana"));
        QCOMPARE(stored.m_crColor, 0x00203040u);

        // A save that fails says why and keeps the change.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        m_session->SetProjectDirty(true);
        QString error;
        QVERIFY(!m_session->SaveProject(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(m_session->IsProjectDirty());
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
        const CFlyerSession::CSaveOutcome made = m_session->NewProject(details, extras);
        QVERIFY2(made.saved, qPrintable(made.warnings.join('\n')));
        QVERIFY(m_session->IsProjectOpen());
        QVERIFY(!m_session->IsProjectDirty());
        QCOMPARE(m_session->SelFont(), QStringLiteral("Verdana"));
        QCOMPARE(m_session->SelColor(), 0x00102030u);
        const QString path = m_session->FlyerData().m_strPathName;
        QVERIFY(path.startsWith(m_settings->strPath2FlyerProjects));
        CListingExtras storedExtras;
        QCOMPARE(storedExtras.Load(m_session->FlyerData().GetFolder()).kind, CListingExtras::Loaded);
        QCOMPARE(storedExtras.m_strListingUrl, extras.m_strListingUrl);

        // Details saves the listing at once; a pending look change stays pending.
        m_session->SetProjectDirty(true);
        details.m_strPrice = QStringLiteral("Offered at $3");
        QVERIFY(m_session->UpdateListing(details, extras).saved);
        QVERIFY(m_session->IsProjectDirty());
        CFlyerData stored;
        stored.Reset();
        QVERIFY(stored.Load(path).IsOk());
        QCOMPARE(stored.m_strPrice, QStringLiteral("Offered at $3"));

        // A project that cannot be written is told about and stays changed.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        m_session->SetProjectDirty(false);
        const CFlyerSession::CSaveOutcome failed = m_session->UpdateListing(details, extras);
        QVERIFY(!failed.saved);
        QCOMPARE(failed.warnings.size(), 1);
        QVERIFY(m_session->IsProjectDirty());
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
        m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")));
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
        m_session->ChooseTemplate(Template(QStringLiteral("Gallery - KT401")));
        m_renderer->fitReport = R"([{"name":"description","base":14,"size":9.8,"limit":0.7,"fits":false,"shown":true,)"
                                R"("chars":1480,"kept":612,"cut":true},{"name":"price","fits":true,"chars":9,"kept":9},)"
                                R"({"emptyFrames":2}])";
        m_renderer->FinishAll();
        QCOMPARE(m_session->CutTextMessages(),
                 (QStringList{QStringLiteral("The description is cut after 612 of 1,480 characters in %1.")
                                  .arg(m_session->SelTheme()),
                              EmptyFrameMessage(2)}));
        m_session->ChooseColor(0x00563412);
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
        m_session->ChooseTemplate(Template(QStringLiteral("Gallery - KT401")));
        const QString galleryPage = m_renderer->Last().page;
        QVERIFY(galleryPage.contains(QStringLiteral("Cedar House")));
        // The page may load the project's photos.
        QVERIFY(m_renderer->Last().roots.contains(m_session->FlyerData().GetFolder()));
        m_session->ChooseFont(QStringLiteral("Verdana"));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Verdana")));
        QVERIFY(!galleryPage.contains(QStringLiteral("Verdana")));
        m_session->ChooseColor(0x00563412);
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
        CFlyerData draft = m_session->FlyerData();
        draft.m_strCaption = QStringLiteral("Typed Caption");
        m_session->RenderDraft(draft);
        QVERIFY(m_session->IsDrafting());
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Typed Caption")));
        QVERIFY(!m_session->IsProjectDirty());
        QCOMPARE(m_session->FlyerData().m_strCaption, QStringLiteral("Saved Caption"));

        // Later draws keep the draft; a save meanwhile writes the saved record, not the draft.
        m_session->ChooseFont(QStringLiteral("Verdana"));
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Typed Caption")));
        QVERIFY(m_session->SaveProject());
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
        CFlyerData draft = m_session->FlyerData();
        m_renderer->young = true;
        QVERIFY(!m_session->CanReplaceDraftPage()); // no draft yet
        draft.m_strCaption = QStringLiteral("Typed A");
        m_session->RenderDraft(draft);
        QVERIFY(m_session->CanReplaceDraftPage());
        draft.m_strCaption = QStringLiteral("Typed AB");
        m_session->RenderDraft(draft); // not asked to replace: waits behind
        QCOMPARE(m_renderer->replaced, 0);
        QCOMPARE(m_renderer->requests.size(), 2);
        m_renderer->FinishAll();

        draft.m_strCaption = QStringLiteral("Typed ABC");
        m_session->RenderDraft(draft);
        m_session->ReplaceWithNextDraft();
        draft.m_strCaption = QStringLiteral("Typed ABCD");
        m_session->RenderDraft(draft);
        QCOMPARE(m_renderer->replaced, 1);
        QCOMPARE(m_renderer->requests.size(), 1);
        QSignalSpy ready(m_session.get(), &CFlyerSession::FlyerReady);
        m_renderer->Finish();
        QCOMPARE(ready.size(), 1);
        QVERIFY(!m_session->IsRenderPending());

        // A cover on its way is never given up for a draft.
        m_session->CreateMissingThemeCovers(false);
        QVERIFY(m_session->IsMakingCovers());
        QVERIFY(m_renderer->IsBusy());
        m_session->RenderDraft(draft);
        QVERIFY(m_session->IsRenderPending());
        QVERIFY(!m_session->CanReplaceDraftPage());
        m_renderer->FinishAll();
        m_session->EndDraft();
        m_renderer->young = false;
    }

    void newListingDraftWithoutProject()
    {
        m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")));
        m_renderer->FinishAll();
        CFlyerData draft;
        draft.Reset();
        draft.m_strCaption = QStringLiteral("Brand New Listing");
        m_session->RenderDraft(draft);
        QVERIFY(m_renderer->Last().page.contains(QStringLiteral("Brand New Listing")));
        QVERIFY(!m_session->IsProjectOpen());
        m_renderer->FinishAll();
        m_session->EndDraft();
        QVERIFY(!m_renderer->Last().page.contains(QStringLiteral("Brand New Listing")));
    }

    void coversAreMadeInOrderBetweenFlyers()
    {
        QSignalSpy started(m_session.get(), &CFlyerSession::CoverStarted);
        QSignalSpy finished(m_session.get(), &CFlyerSession::CoversFinished);
        // A flyer on its way: covers wait for it.
        m_session->ChooseTemplate(Template(QStringLiteral("Simple - KT101")));
        m_session->CreateMissingThemeCovers(false);
        QVERIFY(m_session->IsMakingCovers());
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
        QVERIFY(!m_session->IsMakingCovers());
        for (qsizetype i = 0; i < m_themes.size(); ++i)
            QCOMPARE(QImage(m_covers.filePath(m_themes.at(i).GetCover())).size(), QSize(71, 92));
        // Nothing missing: nothing queued.
        m_session->CreateMissingThemeCovers(false);
        QVERIFY(!m_session->IsMakingCovers());
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
