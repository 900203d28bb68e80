#include "flyer/flyerdocument.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Every signal of a document, counted.
struct Spies
{
    explicit Spies(CFlyerDocument& document)
        : theme(&document, &CFlyerDocument::ThemeChanged), font(&document, &CFlyerDocument::FontChanged),
          color(&document, &CFlyerDocument::ColorChanged), project(&document, &CFlyerDocument::ProjectChanged),
          listing(&document, &CFlyerDocument::ListingChanged), state(&document, &CFlyerDocument::StateChanged),
          flyer(&document, &CFlyerDocument::FlyerChanged)
    {
    }
    void Clear()
    {
        for (QSignalSpy* spy : {&theme, &font, &color, &project, &listing, &state, &flyer})
            spy->clear();
    }
    // theme, font, colour, project, listing, state, flyer
    QList<int> Counts() const
    {
        return {int(theme.size()),   int(font.size()),  int(color.size()), int(project.size()),
                int(listing.size()), int(state.size()), int(flyer.size())};
    }
    QSignalSpy theme, font, color, project, listing, state, flyer;
};

} // namespace

class TestFlyerDocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QMap<QString, QString> m_installed; // theme name -> template
    std::unique_ptr<CFlyerDocument> m_doc;

    QString Template(const QString& theme) const { return m_installed.value(theme); }

    // A project as an earlier run left it.
    QString MakeProject(const QString& theme, const QString& font, ColorRef color)
    {
        CFlyerData data;
        data.Reset();
        data.m_strMLS = QStringLiteral("MLS# 5");
        data.m_strAddress = QStringLiteral("9 Elm Row");
        data.m_strCityStateZip = QStringLiteral("Fairhaven, WA 98225");
        data.m_strCaption = QStringLiteral("Harbour View");
        data.m_strTheme = theme;
        data.m_strFont = font;
        data.m_crColor = color;
        const QString folder = m_dir.filePath(data.m_strId);
        QDir().mkpath(folder);
        data.SetPathName(folder + QStringLiteral("/FlyerData.lso"));
        if (!data.Save().IsOk())
            qWarning("fixture project not written");
        return data.m_strPathName;
    }

    // The preview in Simple's look, or a project open in Classic's, nothing changed.
    void Start(bool projectOpen)
    {
        m_doc->SetLook(
            {QStringLiteral("Simple"), Template(QStringLiteral("Simple")), QStringLiteral("Tahoma"), 0x00B16300});
        if (projectOpen)
            QVERIFY(m_doc->OpenProject(MakeProject(QStringLiteral("Classic"), QStringLiteral("Verdana"), 0x00123456))
                        .IsOk());
        QCOMPARE(m_doc->IsProjectOpen(), projectOpen);
        QVERIFY(!m_doc->IsProjectDirty());
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* name : {"Simple", "Classic", "Gallery"}) {
            const QString path = m_dir.filePath(QStringLiteral("%1.htm").arg(QLatin1String(name)));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("<p>") + name + "</p>");
            m_installed.insert(QLatin1String(name), path);
        }
    }

    void init()
    {
        CFlyerThemeAccess access;
        access.templateOf = [this](const QString& theme) { return m_installed.value(theme); };
        access.readTemplate = [](const QString& path, QString& text) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            text = QString::fromUtf8(file.readAll());
            return true;
        };
        m_doc = std::make_unique<CFlyerDocument>(access);
    }

    void lookChangesAreAnnouncedOnce()
    {
        Spies spies(*m_doc);
        Start(false);
        QCOMPARE(spies.Counts(), (QList<int>{1, 1, 1, 0, 0, 0, 0}));
        QCOMPARE(m_doc->TemplateText(), QStringLiteral("<p>Simple</p>"));

        spies.Clear();
        QVERIFY(m_doc->ChooseTheme(QStringLiteral("Gallery"), Template(QStringLiteral("Gallery"))));
        QVERIFY(m_doc->ChooseFont(QStringLiteral("Verdana")));
        QVERIFY(m_doc->ChooseColor(0x00203040));
        QCOMPARE(spies.Counts(), (QList<int>{1, 1, 1, 0, 0, 0, 3}));
        QCOMPARE(spies.theme.first().first().toString(), QStringLiteral("Gallery"));
        QCOMPARE(spies.font.first().first().toString(), QStringLiteral("Verdana"));
        QCOMPARE(spies.color.first().first().toUInt(), 0x00203040u);
        QCOMPARE(m_doc->Look(), (FlyerLook{QStringLiteral("Gallery"), Template(QStringLiteral("Gallery")),
                                           QStringLiteral("Verdana"), 0x00203040}));

        // The same choices again, and the same look taken over: nothing at all.
        spies.Clear();
        QVERIFY(!m_doc->ChooseTheme(QStringLiteral("Gallery"), Template(QStringLiteral("Gallery"))));
        QVERIFY(!m_doc->ChooseFont(QStringLiteral("Verdana")));
        QVERIFY(!m_doc->ChooseColor(0x00203040));
        m_doc->SetLook(m_doc->Look());
        QCOMPARE(spies.Counts(), (QList<int>{0, 0, 0, 0, 0, 0, 0}));

        // Opening a project changes the look at once: each part announced once, one flyer to draw.
        const QString path = MakeProject(QStringLiteral("Classic"), QStringLiteral("Arial"), 0x00654321);
        QVERIFY(m_doc->OpenProject(path).IsOk());
        QCOMPARE(spies.Counts(), (QList<int>{1, 1, 1, 1, 0, 1, 1}));
        QCOMPARE(m_doc->TemplateText(), QStringLiteral("<p>Classic</p>"));
    }

    void dirtyRules_data()
    {
        QTest::addColumn<bool>("projectOpen");
        QTest::newRow("preview") << false;
        QTest::newRow("project open") << true;
    }
    void dirtyRules()
    {
        QFETCH(bool, projectOpen);
        Start(projectOpen);
        Spies spies(*m_doc);
        const auto expectChange = [&](bool changed, const char* what) {
            QVERIFY2(spies.flyer.size() == 1, what);
            QVERIFY2(m_doc->IsProjectDirty() == (changed && projectOpen), what);
            m_doc->SetProjectDirty(false);
            spies.Clear();
        };
        // A user's theme, font or colour draws again and changes only an open project.
        QVERIFY(m_doc->ChooseTheme(QStringLiteral("Gallery"), Template(QStringLiteral("Gallery"))));
        expectChange(true, "theme");
        QVERIFY(m_doc->ChooseFont(QStringLiteral("Georgia")));
        expectChange(true, "font");
        QVERIFY(m_doc->ChooseColor(0x00102030));
        expectChange(true, "colour");
        // Refresh draws again and changes nothing.
        QVERIFY(m_doc->ReloadTemplate());
        expectChange(false, "refresh");

        // A template that cannot be read draws nothing and changes nothing.
        QVERIFY(!m_doc->ChooseTheme(QStringLiteral("Gone"), m_dir.filePath(QStringLiteral("gone.htm"))));
        QCOMPARE(spies.flyer.size(), 0);
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->TemplateText(), QStringLiteral("<p>Gallery</p>"));
        QVERIFY(!m_doc->ReloadTemplate());
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->IsProjectOpen(), projectOpen);
    }

    // After opening a project in another colour, the colour remembered from the last run is a change.
    void colourIsComparedWithTheFlyer()
    {
        Start(true);
        QCOMPARE(m_doc->SelColor(), 0x00123456u);
        QVERIFY(m_doc->ChooseColor(0x00B16300));
        QVERIFY(m_doc->IsProjectDirty());
    }

    void openNewDetailsCloseAndSave()
    {
        Start(true);
        const CFlyerData opened = m_doc->FlyerData();
        QCOMPARE(m_doc->SelTheme(), QStringLiteral("Classic"));
        QCOMPARE(m_doc->SelFont(), QStringLiteral("Verdana"));
        Spies spies(*m_doc);

        // Open clears a pending change; a project whose theme is gone keeps the theme on show.
        m_doc->ChooseFont(QStringLiteral("Georgia"));
        spies.Clear();
        bool loaded = false;
        const QString gone = MakeProject(QStringLiteral("Not Installed"), QStringLiteral("Arial"), 0x00111111);
        QVERIFY(m_doc->OpenProject(gone, nullptr, &loaded).IsOk());
        QVERIFY(loaded);
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->SelTheme(), QStringLiteral("Classic"));
        QCOMPARE(spies.Counts(), (QList<int>{0, 1, 1, 1, 0, 1, 1}));

        // A file that is no project leaves the open one as it was.
        const QString broken = m_dir.filePath(QStringLiteral("broken.lso"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a flyer project") > 0);
        file.close();
        m_doc->SetProjectDirty(true);
        QVERIFY(!m_doc->OpenProject(broken).IsOk());
        QCOMPARE(m_doc->FlyerData().m_strPathName, gone);
        QVERIFY(m_doc->IsProjectDirty());

        // Details: the listing is saved, a pending look change stays pending; a failed save is a change.
        CFlyerData edited = m_doc->FlyerData();
        edited.m_strPrice = QStringLiteral("Offered at $3");
        m_doc->ListingSaved(edited, m_doc->Extras(), true);
        QVERIFY(m_doc->IsProjectDirty());
        m_doc->SetProjectDirty(false);
        m_doc->ListingSaved(edited, m_doc->Extras(), true);
        QVERIFY(!m_doc->IsProjectDirty());
        m_doc->ListingSaved(edited, m_doc->Extras(), false);
        QVERIFY(m_doc->IsProjectDirty());
        QCOMPARE(m_doc->FlyerData().m_strPrice, QStringLiteral("Offered at $3"));

        // New: in its own look, clean when written, changed when not.
        spies.Clear();
        CFlyerData made = opened;
        made.m_strTheme = QStringLiteral("Gallery");
        made.m_strFont = QStringLiteral("Tahoma");
        made.m_crColor = 0x00C07B7B;
        QVERIFY(m_doc->AdoptNewProject(made, CListingExtras(), true));
        QVERIFY(m_doc->IsProjectOpen());
        QVERIFY(!m_doc->IsProjectDirty());
        QCOMPARE(m_doc->Look(), (FlyerLook{QStringLiteral("Gallery"), Template(QStringLiteral("Gallery")),
                                           QStringLiteral("Tahoma"), 0x00C07B7B}));
        QCOMPARE(spies.Counts(), (QList<int>{1, 1, 1, 1, 0, 1, 1}));
        m_doc->AdoptNewProject(made, CListingExtras(), false);
        QVERIFY(m_doc->IsProjectDirty());

        // The open project deleted: the preview, unchanged, drawn at once.
        spies.Clear();
        m_doc->CloseProject();
        QVERIFY(!m_doc->IsProjectOpen());
        QVERIFY(!m_doc->IsProjectDirty());
        QVERIFY(m_doc->FlyerData().m_strPathName.isEmpty());
        QCOMPARE(spies.Counts(), (QList<int>{0, 0, 0, 1, 0, 1, 1}));
        // Without a project there is nothing to save and nothing to ask.
        m_doc->SetProjectDirty(true);
        QVERIFY(!m_doc->NeedsSavePrompt());
        QVERIFY(m_doc->SaveProject());
    }

    void saveWritesTheLook()
    {
        Start(true);
        const QString path = m_doc->FlyerData().m_strPathName;
        // Nothing to save: nothing written.
        QVERIFY(QFile::remove(path));
        QVERIFY(m_doc->SaveProject());
        QVERIFY(!QFile::exists(path));

        m_doc->ChooseTheme(QStringLiteral("Gallery"), Template(QStringLiteral("Gallery")));
        m_doc->ChooseFont(QStringLiteral("Georgia"));
        m_doc->ChooseColor(0x00203040);
        QVERIFY(m_doc->NeedsSavePrompt());
        QVERIFY(m_doc->SavePromptText().startsWith(
            QStringLiteral("Save changes to flyer project:\n\n[MLS# 5] 9 Elm Row - Fairhaven, WA 98225")));
        QVERIFY(m_doc->SaveProject());
        QVERIFY(!m_doc->IsProjectDirty());
        CFlyerData stored;
        stored.Reset();
        QVERIFY(stored.Load(path).IsOk());
        QCOMPARE(stored.m_strTheme, QStringLiteral("Gallery"));
        QCOMPARE(stored.m_strFont, QStringLiteral("Georgia"));
        QCOMPARE(stored.m_crColor, 0x00203040u);

        // A save that fails says why and keeps the change.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        m_doc->ChooseColor(0x00405060);
        QString error;
        QVERIFY(!m_doc->SaveProject(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(m_doc->IsProjectDirty());
    }
};

QTEST_GUILESS_MAIN(TestFlyerDocument)
#include "tst_flyerdocument.moc"
