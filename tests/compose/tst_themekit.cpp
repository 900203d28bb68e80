// The theme kit without a renderer: user themes joining the catalogue, copying a theme, the
// catalogue file edit, the text checks, and the overflow verdict from two pictures.
#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "compose/themekit.h"
#include "compose/templatemerge.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Section(const char* name, const char* folder, int photos, const char* id)
{
    return QByteArray("[") + name + "]\nName=" + name + "\nWidth=816\nHeight=1056\nOrientation=0\n" +
           "Color=RGB(10, 20, 30)\nPhotos=" + QByteArray::number(photos) + "\nTypeface=Tahoma\nId=" + id +
           "\nVersion=1.0\nCreated=1796860800\nTemplate=" + folder + "\\index.htm\n\n";
}

const char kCleanTemplate[] =
    "<!DOCTYPE html><html><head><style>body { font-family: '$_pageFont$', Arial, sans-serif; "
    "color: $_pageColor$; }</style></head><body><img src=\"$_mainPhoto$\"><h1>$_listingCaption$</h1>"
    "<!-- see https://example.com/guide for $_listingPrice$ -->"
    "<svg xmlns=\"http://www.w3.org/2000/svg\"></svg></body></html>";

} // namespace

class TestThemeKit : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_installed;
    QString m_user;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_installed = m_dir.filePath(QStringLiteral("installed"));
        m_user = m_dir.filePath(QStringLiteral("user"));
        QDir(m_installed).removeRecursively();
        QDir(m_user).removeRecursively();
        QVERIFY(WriteFile(m_installed + QStringLiteral("/Themes.ini"),
                          "[Themes]\nCount=2\nTHEME01=Alpha - KT1\nTHEME02=Beta - KT2\n\n" +
                              Section("Alpha - KT1", "Alpha", 1, "{11111111-1111-1111-1111-111111111111}") +
                              Section("Beta - KT2", "Beta", 1, "{22222222-2222-2222-2222-222222222222}")));
        QVERIFY(WriteFile(m_installed + QStringLiteral("/Alpha/index.htm"), kCleanTemplate));
        QVERIFY(WriteFile(m_installed + QStringLiteral("/Alpha/parts/stripe.png"), "not really a picture"));
        QVERIFY(WriteFile(m_installed + QStringLiteral("/Beta/index.htm"), kCleanTemplate));
    }

    // A user theme joins the installed ones; one with an installed theme's name is listed once, the user's.
    void userThemesJoinTheCatalogue()
    {
        QVERIFY(WriteFile(m_user + QStringLiteral("/Themes.ini"),
                          "[Themes]\nCount=2\nTHEME01=Gamma\nTHEME02=BETA - kt2\n\n" +
                              Section("Gamma", "Gamma", 1, "{33333333-3333-3333-3333-333333333333}") +
                              Section("BETA - kt2", "Mine", 1, "{44444444-4444-4444-4444-444444444444}")));
        CXThemeCatalogue catalogue;
        QVERIFY(catalogue.LoadAvailableThemes(m_installed, m_user));
        QStringList names;
        for (const CXThemeTemplateInfo& theme : catalogue.Themes())
            names.append(theme.GetName());
        QCOMPARE(names, (QStringList{"Alpha - KT1", "BETA - kt2", "Gamma"}));
        qsizetype index = 0;
        QVERIFY(catalogue.FindTheme(QStringLiteral("Beta - KT2"), index));
        QCOMPARE(catalogue.at(index).GetTemplate(), m_user + QStringLiteral("/Mine/index.htm"));
        QCOMPARE(ThemesFolderOf(QStringLiteral("BETA - kt2"), m_installed, m_user), m_user);
        QCOMPARE(ThemesFolderOf(QStringLiteral("Alpha - KT1"), m_installed, m_user), m_installed);

        // No user folder at all: the installed catalogue as before.
        CXThemeCatalogue plain;
        QVERIFY(plain.LoadAvailableThemes(m_installed, m_dir.filePath(QStringLiteral("none"))));
        QCOMPARE(plain.size(), 2);
    }

    // theme-new: the folder travels whole, the entry gets a new name and id, a second copy under a
    // name already taken is refused and changes nothing.
    void createThemeCopiesFolderAndEntry()
    {
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(m_installed, m_user);
        CXThemeTemplateInfo made;
        QString error;
        QVERIFY2(ThemeKit::CreateTheme(catalogue, m_user, QStringLiteral("My Sidebar Look"),
                                       QStringLiteral("alpha - kt1"), &made, &error),
                 qPrintable(error));
        QCOMPARE(made.GetName(), QStringLiteral("My Sidebar Look"));
        QCOMPARE(made.GetTemplate(), m_user + QStringLiteral("/MySidebarLook/index.htm"));
        QCOMPARE(ReadFile(made.GetTemplate()), QByteArray(kCleanTemplate));
        QVERIFY(QFileInfo::exists(m_user + QStringLiteral("/MySidebarLook/parts/stripe.png")));
        QVERIFY(made.GetThemeId() != QStringLiteral("{11111111-1111-1111-1111-111111111111}"));
        QCOMPARE(made.GetColor(), 10u | 20u << 8 | 30u << 16);
        QCOMPARE(made.GetPhotos(), 1);
        QVERIFY(!made.GetCreated().isEmpty());
        QVERIFY(ThemeKit::CheckCatalogueEntry(m_user, made.GetName()).isEmpty());

        catalogue.LoadAvailableThemes(m_installed, m_user);
        QCOMPARE(catalogue.size(), 3);
        const QByteArray before = ReadFile(ThemeInfo::IniPath(m_user));
        QVERIFY(!ThemeKit::CreateTheme(catalogue, m_user, QStringLiteral("my sidebar look"),
                                       QStringLiteral("Beta - KT2"), nullptr, &error));
        QVERIFY2(error.contains(QStringLiteral("already has a theme named")), qPrintable(error));
        QVERIFY(!ThemeKit::CreateTheme(catalogue, m_user, QStringLiteral("Other"), QStringLiteral("Nope"), nullptr,
                                       &error));
        QVERIFY(!ThemeKit::CreateTheme(catalogue, m_user, QStringLiteral("Bad [name]"), QStringLiteral("Beta - KT2"),
                                       nullptr, &error));
        QCOMPARE(ReadFile(ThemeInfo::IniPath(m_user)), before);
        QCOMPARE(QDir(m_user).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"MySidebarLook"});

        // An installed theme's name may be taken: the copy then stands in for it.
        QVERIFY2(ThemeKit::CreateTheme(catalogue, m_user, QStringLiteral("Beta - KT2"), QStringLiteral("Beta - KT2"),
                                       &made, &error),
                 qPrintable(error));
        catalogue.LoadAvailableThemes(m_installed, m_user);
        QCOMPARE(catalogue.size(), 3);
        qsizetype index = 0;
        QVERIFY(catalogue.FindTheme(QStringLiteral("Beta - KT2"), index));
        QCOMPARE(catalogue.at(index).GetTemplate(), m_user + QStringLiteral("/Beta-KT2/index.htm"));
    }

    void addThemeToIni_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray added = "\n[New]\nName=New\n";
        QTest::newRow("no file") << QByteArray() << "[Themes]\nCount=1\nTHEME01=New\n" + added;
        QTest::newRow("next number") << QByteArray("[Themes]\nCount=2\nTHEME01=A\nTHEME02=B\n\n[A]\nName=A\n")
                                     << "[Themes]\nCount=3\nTHEME01=A\nTHEME02=B\nTHEME03=New\n\n[A]\nName=A\n" + added;
        // An entry past Count is never read, so its number is not reused.
        QTest::newRow("entry past count") << QByteArray("; mine\n[themes]\ncount=1\nTHEME01=A\nTHEME05=Old\n")
                                          << "; mine\n[themes]\nCount=6\nTHEME01=A\nTHEME05=Old\nTHEME06=New\n" + added;
        QTest::newRow("no count") << QByteArray("[Themes]\nTHEME01=A\n[A]\nName=A\n")
                                  << "[Themes]\nCount=2\nTHEME01=A\nTHEME02=New\n[A]\nName=A\n" + added;
        QTest::newRow("crlf kept")
            << QByteArray("[Themes]\r\nCount=1\r\nTHEME01=A\r\n")
            << QByteArray("[Themes]\r\nCount=2\r\nTHEME01=A\r\nTHEME02=New\r\n\r\n[New]\r\nName=New\r\n");
    }

    void addThemeToIni()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QCOMPARE(
            ThemeKit::AddThemeToIni(before, QStringLiteral("New"), {{QStringLiteral("Name"), QStringLiteral("New")}}),
            after);
        // And the catalogue reads the new entry.
        CXIniFile ini;
        ini.LoadFromData(after);
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(ini, QStringLiteral("/t"));
        QVERIFY(catalogue.ContainsTheme(u"New"));
    }

    void catalogueEntryProblems()
    {
        QVERIFY(WriteFile(m_user + QStringLiteral("/Themes.ini"),
                          "[Themes]\nCount=1\nTHEME01=Broken\n\n[Broken]\nName=Broken Look\nWidth=wide\nHeight=1056\n"
                          "Color=#FF0000\nPhotos=6\nId=1234\nCreated=yesterday\nTemplate=Gone\\index.htm\n"));
        const QStringList problems = ThemeKit::CheckCatalogueEntry(m_user, QStringLiteral("Broken"));
        const QString all = problems.join(QLatin1Char('\n'));
        for (const char* expected : {"differs from its section", "Width must be", "Color must read RGB",
                                     "Photos must be 0 to 4", "Typeface is missing", "Id must be a GUID",
                                     "Version is missing", "Created must be seconds", "template not found"})
            QVERIFY2(all.contains(QLatin1String(expected)), qPrintable(expected + QStringLiteral(" in:\n") + all));
        QCOMPARE(problems.size(), 9);
        QVERIFY(ThemeKit::CheckCatalogueEntry(m_installed, QStringLiteral("Alpha - KT1")).isEmpty());
        QCOMPARE(ThemeKit::CheckCatalogueEntry(m_installed, QStringLiteral("Nowhere")).size(), 1);
    }

    void templateTextProblems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("photos");
        QTest::addColumn<QStringList>("expected"); // a piece of each problem, in order
        QTest::newRow("clean") << QString::fromLatin1(kCleanTemplate) << 1 << QStringList();
        QTest::newRow("unknown token") << "<img src=\"$_mainPhoto$\">$_listingPrize$ $_listingPrize$" << 1
                                       << QStringList{"unknown token $_listingPrize$"};
        QTest::newRow("unfinished token")
            << "<img src=\"$_mainPhoto$\">$_listingPrice" << 1 << QStringList{"unfinished token $_listingPrice"};
        QTest::newRow("script") << "<img src=\"$_mainPhoto$\"><SCRIPT>alert(1)</SCRIPT>" << 1
                                << QStringList{"<script> element"};
        QTest::newRow("event handler") << "<img src=\"$_mainPhoto$\" onerror=\"x()\">" << 1
                                       << QStringList{"onerror attribute"};
        QTest::newRow("javascript address")
            << "<img src=\"$_mainPhoto$\"><a href=\"javascript:x()\">" << 1 << QStringList{"javascript: address"};
        QTest::newRow("frame") << "<img src=\"$_mainPhoto$\"><iframe src=\"a.htm\">" << 1
                               << QStringList{"<iframe>", "refers to a.htm"};
        QTest::newRow("remote picture") << "<img src=\"$_mainPhoto$\"><img src=\"https://cdn.example.com/a.png\">" << 1
                                        << QStringList{"remote address https://cdn.example.com/a.png"};
        QTest::newRow("protocol-relative style")
            << "<img src=\"$_mainPhoto$\"><style>@import '//fonts.example.com/x.css';</style>" << 1
            << QStringList{"remote address //fonts.example.com/x.css"};
        QTest::newRow("remote background")
            << "<img src=\"$_mainPhoto$\"><div style=\"background: url( 'http://x.example/b.jpg' )\">" << 1
            << QStringList{"remote address http://x.example/b.jpg"};
        QTest::newRow("relative picture and style sheet")
            << "<link rel=\"stylesheet\" href=\"look.css\"><img src=$_mainPhoto$><img src='parts/a.png'>"
               "<div style=\"background: url(parts/a.png)\"><img src=\"data:image/png;base64,AA\">"
               "<img src=\"file:///usr/share/listora/Samples/EHO.jpg\"><a href=\"other.htm\">"
            << 1 << QStringList{"refers to parts/a.png relative to the template", "refers to look.css"};
        QTest::newRow("fewer slots than photos") << "<img src=\"$_mainPhoto$\"><img src=\"$_photo02$\">" << 3
                                                 << QStringList{"photo slots 1, 2 but Photos=3 asks for slots 1, 2, 3"};
        QTest::newRow("slot beyond photos") << "<img src=\"$_mainPhoto$\"><img src=\"$_photo04$\">" << 1
                                            << QStringList{"photo slots 1, 4 but Photos=1"};
        QTest::newRow("no photos") << "<p>$_listingCaption$</p>" << 0 << QStringList();
    }

    void templateTextProblems()
    {
        QFETCH(QString, text);
        QFETCH(int, photos);
        QFETCH(QStringList, expected);
        const QStringList problems = ThemeKit::CheckTemplateText(text, photos);
        QCOMPARE(problems.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(problems.at(i).contains(expected.at(i)), qPrintable(problems.at(i)));
    }

    void sidebarUse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("templatePath");
        QTest::addColumn<QString>("problem");
        QTest::newRow("sidebar theme") << "Sidebar - KT102"
                                       << "/t/Sidebar-KT102/index.htm" << QString();
        QTest::newRow("name without the word") << "Harbor Office"
                                               << "/u/HarborOffice/index.htm"
                                               << "drawn only for a theme whose name contains \"Sidebar\"";
        QTest::newRow("lower case") << "My sidebar"
                                    << "/u/Mysidebar/index.htm"
                                    << "drawn only for a theme";
        QTest::newRow("path without the word") << "Sidebar Office"
                                               << "/u/Office/index.htm"
                                               << "cover will lack";
    }

    void sidebarUse()
    {
        QFETCH(QString, name);
        QFETCH(QString, templatePath);
        QFETCH(QString, problem);
        const QString text = QStringLiteral("<div style=\"background: url($_sidebarImage$)\"></div>");
        const QStringList problems = ThemeKit::CheckSidebarUse(text, name, templatePath);
        QCOMPARE(problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(problems.first().contains(problem), qPrintable(problems.first()));
        QVERIFY(
            ThemeKit::CheckSidebarUse(QStringLiteral("<!-- $_sidebarImage$ --><p></p>"), name, templatePath).isEmpty());
    }

    void styleSheetProblems()
    {
        QVERIFY(ThemeKit::CheckStyleSheetText(QStringLiteral("/* http://example.com */ body { color: red; }"),
                                              QStringLiteral("a.css"))
                    .isEmpty());
        const QStringList problems = ThemeKit::CheckStyleSheetText(
            QStringLiteral("@import url(https://fonts.example.com/f.css); p { width: expression(1); }"),
            QStringLiteral("look/a.css"));
        QCOMPARE(problems.size(), 2);
        QVERIFY(problems.at(0).startsWith(QStringLiteral("look/a.css has a script")));
        QVERIFY(problems.at(1).contains(QStringLiteral("https://fonts.example.com/f.css")));
    }

    void firstFontFamilies_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("families");
        QTest::newRow("page font is the typeface")
            << "body { font-family: '$_pageFont$', Arial, sans-serif; }" << QStringList{"Tahoma"};
        QTest::newRow("first of each") << "h1 { font-family: \"Helvetica Neue\", Arial; } p{font-family:Georgia}"
                                       << QStringList{"Tahoma", "Helvetica Neue", "Georgia"};
        QTest::newRow("style attribute") << "<p style=\"font-family: Verdana; color: red\">x</p>"
                                         << QStringList{"Tahoma", "Verdana"};
        QTest::newRow("generic and important")
            << "p { font-family: serif !important; } h2 { font-family: 'Gill Sans' !important }"
            << QStringList{"Tahoma", "Gill Sans"};
        QTest::newRow("own face") << "@font-face { font-family: 'Brand Sans'; src: url(brand.woff2); } "
                                     "h1 { font-family: 'Brand Sans', Arial; }"
                                  << QStringList{"Tahoma"};
        QTest::newRow("comments") << "/* p { font-family: Nope; } */ <!-- font-family: Nope2 -->"
                                  << QStringList{"Tahoma"};
    }

    void firstFontFamilies()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, families);
        QCOMPARE(ThemeKit::FirstFontFamilies(text, QStringLiteral("Tahoma")), families);
    }

    // The verdict on two renders of one page: at its size and in a window twice as large.
    void overflowFromTwoPictures_data()
    {
        QTest::addColumn<QRect>("content"); // drawn in both, in window coordinates
        QTest::addColumn<bool>("follows");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("bottom");
        QTest::newRow("inside") << QRect(10, 10, 90, 90) << false << 0 << 0;
        QTest::newRow("to the page's edge") << QRect(0, 0, 100, 120) << false << 0 << 0;
        QTest::newRow("below") << QRect(10, 100, 20, 40) << false << 0 << 140;
        QTest::newRow("right") << QRect(90, 10, 30, 20) << false << 120 << 0;
        QTest::newRow("centred in the window") << QRect() << true << 0 << 0;
    }

    void overflowFromTwoPictures()
    {
        QFETCH(QRect, content);
        QFETCH(bool, follows);
        QFETCH(int, right);
        QFETCH(int, bottom);
        const QSize page(100, 120);
        auto draw = [&](QSize window) {
            QImage image(window, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            // An invalid rectangle stands for a page that centres itself in whatever window it gets.
            const QRect box =
                content.isValid()
                    ? content
                    : QRect(QPoint(0, 0), QSize(20, 20)).translated(window.width() / 2 - 10, window.height() / 2 - 10);
            painter.fillRect(box, QColor(40, 40, 160));
            return image;
        };
        const ThemeKit::OverflowResult result = ThemeKit::FindOverflow(draw(page), draw(page * 2));
        QCOMPARE(result.layoutFollowsWindow, follows);
        QCOMPARE(result.right, right);
        QCOMPARE(result.bottom, bottom);
    }

    // Every installed theme passes the checks that need no renderer.
    void installedThemesPassTheTextChecks()
    {
        const QString themes = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Themes");
        CXThemeCatalogue catalogue;
        QVERIFY(catalogue.LoadAvailableThemes(themes));
        QVERIFY(catalogue.size() >= 12);
        QSet<QString> ids;
        for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
            QStringList problems = ThemeKit::CheckCatalogueEntry(themes, theme.GetName());
            QString text;
            QVERIFY(LoadTemplate(theme.GetTemplate(), text));
            problems += ThemeKit::CheckTemplateText(text, theme.GetPhotos());
            problems += ThemeKit::CheckSidebarUse(text, theme.GetName(), theme.GetTemplate());
            QVERIFY2(problems.isEmpty(), qPrintable(theme.GetName() + QStringLiteral(": ") + problems.join(u'\n')));
            QVERIFY2(!ids.contains(theme.GetThemeId()), qPrintable(theme.GetName()));
            ids.insert(theme.GetThemeId());
        }
    }
};

QTEST_GUILESS_MAIN(TestThemeKit)
#include "tst_themekit.moc"
