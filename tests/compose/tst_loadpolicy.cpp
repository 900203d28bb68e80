#include "compose/loadpolicy.h"
#include "compose/renderprotocol.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(PageResourceKind)

class TestLoadPolicy : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CXPageLoadPolicy m_policy;

    QString Path(const QString& relative) const { return m_dir.filePath(relative); }
    QString Url(const QString& relative) const { return QUrl::fromLocalFile(Path(relative)).toString(); }

    static void Touch(const QString& path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* file : {"theme/style.css", "theme/face.ttf", "project/_photo01.jpg", "project/sub/a.png",
                                 "outside/secret.png", "outside/secret.css", "projectile/a.png", "page/page.html"})
            Touch(Path(QLatin1String(file)));
        // Links inside a root that lead out of it, and one that stays inside.
        QVERIFY(QFile::link(Path("outside/secret.png"), Path("project/link.png")));
        QVERIFY(QFile::link(Path("outside"), Path("project/linkdir")));
        QVERIFY(QFile::link(Path("project/_photo01.jpg"), Path("theme/photo-link.jpg")));
        // A root that is itself a link counts where it leads.
        QVERIFY(QFile::link(Path("project"), Path("project-link")));

        m_policy.SetRoots(
            {Path("theme"), Path("project-link"), Path("missing-folder"), QString(), QStringLiteral("/")});
        m_policy.SetOwnPage(Path("page/page.html"));
    }

    void rootsAreResolvedAndSane()
    {
        // The link is followed; a missing folder, an empty one and the disk's root are left out.
        QCOMPARE(m_policy.Roots(), QStringList({QFileInfo(Path("theme")).canonicalFilePath(),
                                                QFileInfo(Path("project")).canonicalFilePath()}));
    }

    void decides_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<PageResourceKind>("kind");
        QTest::addColumn<bool>("allowed");
        using K = PageResourceKind;

        QTest::newRow("picture in project") << Url("project/_photo01.jpg") << K::Picture << true;
        QTest::newRow("picture in sub-folder") << Url("project/sub/a.png") << K::Picture << true;
        QTest::newRow("style sheet in theme") << Url("theme/style.css") << K::StyleSheet << true;
        QTest::newRow("font in theme") << Url("theme/face.ttf") << K::Font << true;
        QTest::newRow("link to a root's picture") << Url("theme/photo-link.jpg") << K::Picture << true;
        QTest::newRow("percent-encoded name") << "file://" + Path("project/sub") + "/%61.png" << K::Picture << true;
        QTest::newRow("localhost host") << "file://localhost" + Path("project/_photo01.jpg") << K::Picture << true;
        QTest::newRow("data picture") << "data:image/png;base64,iVBORw0KGgo=" << K::Picture << true;
        QTest::newRow("data style sheet") << "data:text/css,b{}" << K::StyleSheet << true;

        QTest::newRow("outside every root") << Url("outside/secret.png") << K::Picture << false;
        QTest::newRow("style sheet outside") << Url("outside/secret.css") << K::StyleSheet << false;
        QTest::newRow("link out of a root") << Url("project/link.png") << K::Picture << false;
        QTest::newRow("folder link out of a root") << Url("project/linkdir/secret.png") << K::Picture << false;
        QTest::newRow("dot-dot out of a root")
            << "file://" + Path("project") + "/../outside/secret.png" << K::Picture << false;
        QTest::newRow("root name as prefix") << Url("projectile/a.png") << K::Picture << false;
        QTest::newRow("the root folder itself") << Url("project") << K::Picture << false;
        QTest::newRow("missing file in root") << Url("project/none.png") << K::Picture << false;
        QTest::newRow("other machine") << "file://server" + Path("project/_photo01.jpg") << K::Picture << false;
        QTest::newRow("system file") << "file:///etc/passwd" << K::StyleSheet << false;

        QTest::newRow("frame in root") << Url("project/_photo01.jpg") << K::Other << false;
        QTest::newRow("data frame") << "data:text/html,<b>x</b>" << K::Other << false;
        QTest::newRow("http picture") << "http://127.0.0.1:8/a.png" << K::Picture << false;
        QTest::newRow("https font") << "https://example.com/a.woff" << K::Font << false;
        QTest::newRow("blob picture") << "blob:file:///0d6a" << K::Picture << false;
        QTest::newRow("filesystem picture") << "filesystem:file:///temporary/a.png" << K::Picture << false;
        QTest::newRow("qrc picture") << "qrc:/res/a.png" << K::Picture << false;

        QTest::newRow("page inline") << "data:text/html;charset=UTF-8,<p>" << K::MainFrame << true;
        QTest::newRow("page blank") << "about:blank" << K::MainFrame << true;
        QTest::newRow("own page file") << Url("page/page.html") + "#listora-render-3" << K::MainFrame << true;
        QTest::newRow("page from root") << Url("project/_photo01.jpg") << K::MainFrame << false;
        QTest::newRow("page elsewhere") << "file:///etc/passwd" << K::MainFrame << false;
        QTest::newRow("page srcdoc") << "about:srcdoc" << K::MainFrame << false;
        QTest::newRow("page http") << "http://127.0.0.1:8/" << K::MainFrame << false;
    }

    void decides()
    {
        QFETCH(QString, url);
        QFETCH(PageResourceKind, kind);
        QFETCH(bool, allowed);
        QCOMPARE(m_policy.IsAllowed(QUrl(url), kind), allowed);
    }

    // The program's own reads of pictures (print copies, preflight, batch rows) follow the page's rule.
    void picturesTheProgramReads_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("photo in the project") << "project/_photo01.jpg" << true;
        QTest::newRow("through a linked root") << "project-link/sub/a.png" << true;
        QTest::newRow("link out of the project") << "project/link.png" << false;
        QTest::newRow("through a linked folder") << "project/linkdir/secret.png" << false;
        QTest::newRow("outside") << "outside/secret.png" << false;
        QTest::newRow("climbing out") << "project/../outside/secret.png" << false;
        QTest::newRow("a folder") << "project/sub" << false;
        QTest::newRow("missing") << "project/_photo02.jpg" << false;
    }
    void picturesTheProgramReads()
    {
        QFETCH(QString, relative);
        QFETCH(bool, allowed);
        QCOMPARE(m_policy.MayReadPicture(Path(relative)), allowed);
    }

    // A project or sheet kept at the top of the home folder must not open all of it, ~/.ssh included.
    void homeIsNoRoot()
    {
        const QString home = QDir::homePath();
        const QString secret = QDir(home).filePath(QStringLiteral(".ssh/secret.jpg"));
        Touch(secret);
        CXPageLoadPolicy policy;
        policy.SetRoots({home, QFileInfo(home).absolutePath(), Path("project")});
        QCOMPARE(policy.Roots(), QStringList{QFileInfo(Path("project")).canonicalFilePath()});
        QVERIFY(!policy.MayReadPicture(secret));
        QVERIFY(!policy.IsAllowed(QUrl::fromLocalFile(secret), PageResourceKind::Picture));
    }

    void noRootsAllowNoFile()
    {
        CXPageLoadPolicy policy;
        QVERIFY(!policy.IsAllowed(QUrl::fromLocalFile(Path("project/_photo01.jpg")), PageResourceKind::Picture));
        QVERIFY(!policy.IsAllowed(QUrl::fromLocalFile(Path("page/page.html")), PageResourceKind::MainFrame));
        QVERIFY(policy.IsAllowed(QUrl(QStringLiteral("data:image/png;base64,AA==")), PageResourceKind::Picture));
    }

    // The worker gets the folders with the page, whatever their names, split where they end.
    void rootsTravelWithTheRequest()
    {
        RenderProtocol::Request request;
        request.id = 7;
        request.width = 816;
        request.height = 1056;
        request.page = QByteArray("<p>caf\xC3\xA9</p>");
        request.loadRoots = {QStringLiteral("/home/u/Documents/My Listora"), QString(),
                             QStringLiteral("/home/u/Café & Co/Lot #4"), QStringLiteral("/x\ny")};
        const QByteArray frame = RenderProtocol::EncodeRequest(request);

        RenderProtocol::CFrameReader reader(RenderProtocol::CFrameReader::Kind::Request);
        RenderProtocol::Request out;
        reader.Append(frame.left(frame.size() - 1));
        QVERIFY(!reader.TakeRequest(out)); // a frame is taken only whole
        reader.Append(frame.right(1));
        QVERIFY(reader.TakeRequest(out));
        QCOMPARE(out.id, 7u);
        QCOMPARE(out.page, request.page);
        QCOMPARE(out.loadRoots, QStringList({QStringLiteral("/home/u/Documents/My Listora"),
                                             QStringLiteral("/home/u/Café & Co/Lot #4"), QStringLiteral("/x\ny")}));
        QVERIFY(!reader.HasError());
    }

    // The folders a flyer is made from, and only those.
    void rootsOfAFlyer()
    {
        CAppSettings settings;
        settings.strSavePath = "/u/Documents/My Listora";
        settings.strPath2FlyerProjects = "/u/Documents/My Listora/Projects";
        settings.Path2TempFolder = "/u/Documents/My Listora/Temp";
        settings.Path2Themes = "/opt/listora/share/Themes";
        settings.Path2ThemeCovers = "/u/.cache/Tarnwick/Listora/Covers";
        settings.Path2SampleData = "/opt/listora/share/Samples";
        settings.Path2Help = "/opt/listora/share/Help";
        settings.Path2BlankImage = "/opt/listora/share/_blank.gif";
        settings.Path2Settings = "/u/Documents/My Listora/ListoraSettings.dat";

        const QStringList roots = PageLoadRoots(settings, "/u/themes/Mine/index.htm", "/u/Downloads/Shared listing/");
        // The per-user cache (print copies) is the user's own, whatever the settings say.
        const QString cacheRoot =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Tarnwick/Listora";
        for (const QString& root :
             {QStringLiteral("/u/themes/Mine"), QStringLiteral("/opt/listora/share"),
              QStringLiteral("/u/Downloads/Shared listing/"), QStringLiteral("/u/Documents/My Listora"),
              QStringLiteral("/u/Documents/My Listora/Temp"), cacheRoot})
            QVERIFY2(roots.contains(root), qPrintable(root));
        for (const QString& root : roots) {
            QVERIFY2(root.startsWith("/u/themes/Mine") || root.startsWith("/opt/listora/share") ||
                         root.startsWith("/u/Downloads/Shared listing") || root.startsWith("/u/Documents/My Listora") ||
                         root.startsWith("/u/.cache/Tarnwick/Listora") || root.startsWith(cacheRoot),
                     qPrintable(root));
        }
        // No project (the preview and the covers): no project folder, and no empty root.
        QVERIFY(!PageLoadRoots(settings, "/u/themes/Mine/index.htm", QString()).contains(QString()));
    }
};

QTEST_GUILESS_MAIN(TestLoadPolicy)
#include "tst_loadpolicy.moc"
