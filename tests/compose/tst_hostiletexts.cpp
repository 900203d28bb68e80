// A listing text is HTML in the page. Written by somebody else, it must not bring the reader's
// private files, or anything from the network, into the flyer, nor reach past its own field. Each
// hostile element below points at "secrets" outside the folders a flyer is made from (painted
// magenta, so that any of them that loads shows) and at a loopback server that counts connections.
// They stand in the description, where they must come out as text, and in the theme page itself,
// where the page's load policy must stop them. The flyer is made by listora-cli as the user would,
// as root and as an ordinary user with the engine's sandbox on.
#include "flyer/flyerdata.h"
#include "support/childprocess.h"
#include "support/loopbackhttpserver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCell = 100;
constexpr int kColumns = 8;
constexpr int kFirstRow = 300; // the listing's own text stays visible above the cells

// One hostile element each, placed in a cell of its own so that a leak names its text. @BOX@ is
// the cell, @F@ the secrets' folder (file: or the loopback server), @L@ a link in the project,
// @UP@ a way out of the project folder. The secrets are magenta; the key file is plain text,
// which a frame would show as dark letters.
struct Hostile
{
    const char* name;
    const char* html;
    bool text = false;
};

const Hostile kHostile[] = {
    {"iframe", R"H(<iframe src="@F@/secret.html" style="@BOX@"></iframe>)H"},
    {"iframe of a key file", R"H(<iframe src="@F@/id_test" style="@BOX@;background:#fff"></iframe>)H", true},
    {"object of a key file", R"H(<object data="@F@/id_test" type="text/plain" style="@BOX@"></object>)H", true},
    {"object", R"H(<object data="@F@/secret.html" type="text/html" style="@BOX@"></object>)H"},
    {"embed", R"H(<embed src="@F@/secret.html" type="text/html" style="@BOX@">)H"},
    {"img", R"H(<img src="@F@/secret.png" style="@BOX@">)H"},
    {"img srcset", R"H(<img srcset="@F@/secret.png 1x" style="@BOX@">)H"},
    {"picture source", R"H(<picture><source srcset="@F@/secret.png"><img style="@BOX@"></picture>)H"},
    {"input image", R"H(<input type="image" src="@F@/secret.png" style="@BOX@">)H"},
    {"video poster", R"H(<video poster="@F@/secret.png" style="@BOX@"></video>)H"},
    {"link style sheet", R"H(<link rel="stylesheet" href="@F@/secret.css"><div class="leak" style="@BOX@"></div>)H"},
    {"CSS url()", R"H(<div style="@BOX@;background:url('@F@/secret.png')"></div>)H"},
    {"CSS @import", R"H(<style>@import url("@F@/secret.css");</style><div class="leak" style="@BOX@"></div>)H"},
    {"CSS list image", R"H(<ul style="@BOX@;list-style:inside url('@F@/secret.png')"><li>x</li></ul>)H"},
    {"SVG image",
     R"H(<svg style="@BOX@" width="90" height="90"><image href="@F@/secret.png" width="90" height="90"/></svg>)H"},
    {"SVG use", R"H(<svg style="@BOX@" width="90" height="90"><use href="@F@/secret.svg#m"/></svg>)H"},
    {"base href", R"H(<base href="@F@/"><img src="secret.png" style="@BOX@">)H"},
    {"meta refresh", R"H(<meta http-equiv="refresh" content="0; url=@F@/secret.html"><div style="@BOX@"></div>)H"},
    {"link in the project folder", R"H(<img src="@L@" style="@BOX@">)H"},
    {"dot-dot out of the project", R"H(<img src="@UP@/secret.png" style="@BOX@">)H"},
};

QRect Cell(int cell)
{
    return QRect((cell % kColumns) * kCell, kFirstRow + (cell / kColumns) * kCell, kCell, kCell);
}

QString Box(int cell)
{
    const QRect r = Cell(cell).adjusted(5, 5, -5, -5);
    return QStringLiteral("position:fixed;left:%1px;top:%2px;width:%3px;height:%4px;margin:0;padding:0;border:0;"
                          "z-index:2147483600;overflow:hidden")
        .arg(r.left())
        .arg(r.top())
        .arg(r.width())
        .arg(r.height());
}

bool IsMagenta(QRgb p)
{
    return qRed(p) > 220 && qGreen(p) < 40 && qBlue(p) > 220;
}

int CountIn(const QImage& image, const QRect& area, bool (*test)(QRgb))
{
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

int MagentaIn(const QImage& image, const QRect& area)
{
    return CountIn(image, area, IsMagenta);
}

int DarkIn(const QImage& image, const QRect& area)
{
    return CountIn(image, area, [](QRgb p) { return qGray(p) < 100; });
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool WriteMagentaPng(const QString& path)
{
    QImage image(90, 90, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

// Hands a tree to the ordinary user (and lets every user read it), as if it were that user's.
void GiveTo(const QString& path, uid_t uid)
{
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    QStringList entries{path};
    while (it.hasNext())
        entries.append(it.next());
    for (const QString& entry : entries) {
        const QByteArray native = QFile::encodeName(entry);
        if (::lchown(native.constData(), uid, uid) != 0)
            qWarning("cannot hand %s over", native.constData());
        struct stat st;
        if (::lstat(native.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
            ::chmod(native.constData(), S_ISDIR(st.st_mode) || (st.st_mode & S_IXUSR) ? 0755 : 0644);
    }
}

} // namespace

class TestHostileTexts : public QObject
{
    Q_OBJECT

private:
    struct Account
    {
        QString root; // HOME and the theme live here
        QString home;
        QString secrets;
        QString project;
        QString dataDir;
        QString bin;
    };

    TestSupport::LoopbackHttpServer m_server; // counts what reaches it, answers nothing
    std::vector<std::unique_ptr<QTemporaryDir>> m_dirs;

    static QString BinDir() { return qEnvironmentVariable("LISTORA_BIN_DIR", QStringLiteral(LISTORA_BIN_DIR)); }
    QString ServerUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    // A home with a secrets folder where an ordinary user keeps keys, outside "My Listora", and a
    // theme whose page is just the listing's description.
    Account MakeAccount(bool forOrdinaryUser)
    {
        // The ordinary user cannot enter the test's own private temporary folder.
        auto dir = std::make_unique<QTemporaryDir>(forOrdinaryUser ? QStringLiteral("/tmp/listora-hostile-XXXXXX")
                                                                   : QDir::tempPath() + "/hostile-XXXXXX");
        Account a;
        if (!dir->isValid())
            return a;
        a.root = dir->path();
        m_dirs.push_back(std::move(dir));
        a.home = a.root + "/home";
        a.secrets = a.home + "/.ssh";
        a.project = a.home + "/Documents/My Listora/Projects/From a stranger";
        a.dataDir = a.root + "/data";
        QDir().mkpath(a.project);
        QDir().mkpath(a.home + "/.config");
        QDir().mkpath(a.home + "/.cache");
        // Where the ordinary user cannot reach the build tree, the program and its renderer go along.
        const bool reachable =
            !forOrdinaryUser || QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                                              "test", "-x", BinDir() + "/listora-cli"}) == 0;
        a.bin = reachable ? BinDir() : a.root + "/bin";
        if (!reachable) {
            QDir().mkpath(a.bin);
            for (const char* program : {"listora-cli", "listora-render-worker"})
                QFile::copy(BinDir() + "/" + program, a.bin + "/" + program);
        }

        WriteFile(a.secrets + "/secret.html",
                  "<html><body style=\"margin:0;background:#ff00ff\">SECRET KEY</body></html>");
        QByteArray key = "-----BEGIN TEST KEY-----\n";
        for (int i = 0; i < 20; ++i)
            key += QByteArray(64, 'M') + "\n";
        WriteFile(a.secrets + "/id_test", key);
        WriteFile(a.secrets + "/secret.css", ".leak{background:#ff00ff!important}");
        WriteFile(a.secrets + "/secret.svg",
                  "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect id=\"m\" width=\"90\" height=\"90\" "
                  "fill=\"#ff00ff\"/></svg>");
        WriteMagentaPng(a.secrets + "/secret.png");
        WriteMagentaPng(a.project + "/allowed.png");
        QFile::link(a.secrets + "/secret.png", a.project + "/link.png");

        WriteTheme(a, QString());
        WriteFile(a.dataDir + "/Themes/Themes.ini",
                  "[Themes]\nCount=1\nTHEME01=Bare - KT1\n[Bare - KT1]\nName=Bare - KT1\nTemplate=Bare-KT1\\index.htm\n"
                  "Photos=0\nWidth=816\nHeight=1056\nColor=RGB(0, 0, 0)\nTypeface=DejaVu Sans\nId={BARE-0001}\n");
        if (forOrdinaryUser)
            GiveTo(a.root, kNobody);
        return a;
    }

    // The description above the cells (its text, with the hostile elements shown as text, kept out
    // of them), the main photo in the first cell, and the hostile elements of the page itself.
    static void WriteTheme(const Account& a, const QString& hostile)
    {
        WriteFile(a.dataDir + "/Themes/Bare-KT1/index.htm",
                  ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
                   "<body style=\"margin:0;background:#ffffff\">"
                   "<div style=\"height:" +
                   QString::number(kFirstRow - 20) + "px;overflow:hidden\">$_listingDescription$</div>" +
                   "<img src=\"$_mainPhoto$\" alt=\"\" style=\"" + Box(0) + "\">" + hostile + "</body></html>")
                      .toUtf8());
    }

    QString WriteProject(const Account& a, const QString& name, const QString& description, bool forOrdinaryUser,
                         const QString& mainPhoto = QString())
    {
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_strTheme = QStringLiteral("Bare - KT1");
        flyer.m_strDescription = description;
        flyer.m_photos[0].m_strPath = mainPhoto;
        flyer.SetPathName(a.project + "/" + name + ".lso");
        if (!flyer.Save().IsOk())
            return QString();
        if (forOrdinaryUser)
            GiveTo(flyer.m_strPathName, kNobody);
        return flyer.m_strPathName;
    }

    QImage Render(const Account& a, const QString& project, bool asOrdinaryUser, QByteArray* err)
    {
        const QString out = a.root + "/" + QFileInfo(project).completeBaseName() + ".png";
        const TestSupport::ChildOptions options{
            .env = {"PATH=" + qEnvironmentVariable("PATH"), "HOME=" + a.home, "XDG_CONFIG_HOME=" + a.home + "/.config",
                    "XDG_CACHE_HOME=" + a.home + "/.cache", "XDG_DATA_HOME=" + a.home + "/.local/share",
                    "TMPDIR=" + a.root, "LANG=C.UTF-8", "QT_QPA_PLATFORM=offscreen", "LISTORA_DATA_DIR=" + a.dataDir},
            .cleanEnv = true,
            .serveEvents = true, // the loopback server answers meanwhile
        };
        QStringList args{"render", "--project", project, "--out", out};
        const QString cli = a.bin + "/listora-cli";
        const TestSupport::ChildRun run =
            asOrdinaryUser
                ? TestSupport::RunChild(
                      QStringLiteral("setpriv"),
                      QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", cli} + args, options)
                : TestSupport::RunChild(cli, args, options);
        *err = run.err;
        return run.exitCode == 0 ? QImage(out) : QImage();
    }

    QString HostileDescription(const Account& a, bool remote) const
    {
        const QString folder = remote ? ServerUrl() : QUrl::fromLocalFile(a.secrets).toString();
        QString text = QStringLiteral("<b>Bold</b><br><ul><li>still a listing</li></ul>");
        int cell = 0;
        for (const Hostile& h : kHostile) {
            QString html = QString::fromUtf8(h.html);
            html.replace("@BOX@", Box(cell++))
                .replace("@F@", folder)
                .replace("@L@", remote ? QString(ServerUrl() + "/link.png")
                                       : QUrl::fromLocalFile(a.project + "/link.png").toString())
                .replace("@UP@", remote ? QString(ServerUrl() + "/up")
                                        : QString(QUrl::fromLocalFile(a.project).toString() + "/../../../../.ssh"));
            text += html;
        }
        return text;
    }

    void Check(bool asOrdinaryUser)
    {
        const Account a = MakeAccount(asOrdinaryUser);
        QVERIFY(!a.root.isEmpty());
        m_server.connections = 0;

        // The detector works, and what a flyer is made of still loads: a picture in the project.
        QByteArray err;
        const QString control =
            WriteProject(a, "control", QStringLiteral("Control"), asOrdinaryUser, a.project + "/allowed.png");
        const QImage shown = Render(a, control, asOrdinaryUser, &err);
        QVERIFY2(!shown.isNull(), err.constData());
        QVERIFY2(MagentaIn(shown, Cell(0)) > 80 * 80 / 2, "the allowed picture did not show");

        for (const bool remote : {false, true}) {
            const QString hostile = HostileDescription(a, remote);
            WriteTheme(a, hostile);
            const QString project =
                WriteProject(a, QLatin1String(remote ? "remote" : "local"), hostile, asOrdinaryUser);
            QVERIFY(!project.isEmpty());
            const QImage flyer = Render(a, project, asOrdinaryUser, &err);
            QVERIFY2(!flyer.isNull(), err.constData());
            QCOMPARE(flyer.size(), QSize(816, 1056));
            QStringList leaked;
            int cell = 0;
            for (const Hostile& h : kHostile) {
                const QRect box = Cell(cell++);
                if (MagentaIn(flyer, box) > 0 || (h.text && DarkIn(flyer, box) > 20))
                    leaked.append(QString::fromUtf8(h.name));
            }
            if (!leaked.isEmpty())
                flyer.save(QDir::tempPath() + QStringLiteral("/hostile-%1.png").arg(remote ? "remote" : "local"));
            QVERIFY2(leaked.isEmpty(), qPrintable(QLatin1String(remote ? "remote: " : "local: ") + leaked.join(", ")));
            QCOMPARE(MagentaIn(flyer, flyer.rect()), 0);
            // The listing's own markup is still drawn: bold text and a list leave dark pixels.
            QVERIFY(DarkIn(flyer, QRect(0, 0, 400, 100)) > 20);
        }
        QVERIFY(m_server.Settle());
        QCOMPARE(m_server.connections, 0);
    }

private Q_SLOTS:
    // Markup that would end the page, or swallow or move what follows it, stays in its own field:
    // with it at the end of every listing text, every text of the flyer is still on the page.
    void fieldsStayApart_data()
    {
        QTest::addColumn<QString>("fragment");
        for (const char* fragment :
             {"<!--", "<style>", "<title>", "<textarea>", "<plaintext>", "</div></body></html>", "<![CDATA[",
              "<script>", "<xmp>", "<noscript>", "<iframe>", "<select>", "<table><tr><td>", "<b><i><ul><li><p>",
              "<span style=\"display:none\">", "<font color=\"#ffffff\" size=\"1\"></font><p title=\""})
            QTest::newRow(fragment) << QString::fromLatin1(fragment);
    }

    void fieldsStayApart()
    {
        QFETCH(QString, fragment);
        QTemporaryDir dir;
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_strTheme = QStringLiteral("Simple - KT101");
        flyer.m_strCaption = "Kestrel " + fragment;
        flyer.m_strMLS = "MLS# Plover " + fragment;
        flyer.m_strPrice = "Offered at Wren " + fragment;
        flyer.m_strAddress = "Heron Street " + fragment;
        flyer.m_strCityStateZip = "Egret City " + fragment;
        flyer.m_strDescription = "Bittern<br><b>Lapwing</b> " + fragment;
        flyer.m_strFeatures = {"Curlew " + fragment, "Dunlin " + fragment, "Godwit " + fragment, "Avocet " + fragment};
        // In the project's own folder: a flyer reads pictures only from where its page may.
        const QString photo = dir.filePath(QStringLiteral("_photo01.jpg"));
        QVERIFY(QFile::copy(QStringLiteral(LISTORA_SOURCE_DIR "/data/Samples/House01-02.jpg"), photo));
        flyer.m_photos[0].m_strPath = photo;
        flyer.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
        QVERIFY(flyer.Save().IsOk());

        const QString pdf = dir.filePath(QStringLiteral("flyer.pdf"));
        const TestSupport::ChildRun run =
            TestSupport::RunCli({"export", "--project", flyer.m_strPathName, "--quality", "print", "--out", pdf});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(60000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
        QStringList missing;
        for (const char* control : {"Kestrel", "Plover", "Wren", "Heron", "Egret", "Bittern", "Lapwing", "Curlew",
                                    "Dunlin", "Godwit", "Avocet", "All information deemed reliable"}) {
            if (!text.contains(QLatin1String(control), Qt::CaseInsensitive))
                missing.append(QLatin1String(control));
        }
        QVERIFY2(missing.isEmpty(), qPrintable("missing " + missing.join(", ") + " in:\n" + text));
    }

    void initTestCase()
    {
        QVERIFY(QFileInfo(BinDir() + "/listora-cli").isExecutable());
        m_server.mode = TestSupport::LoopbackHttpServer::Mode::Silent;
        QVERIFY(m_server.Start());
    }

    void asThisUser() { Check(false); }

    // The engine's sandbox is on for an ordinary user; root runs without it.
    void asOrdinaryUser()
    {
        if (::geteuid() != 0)
            QSKIP("already covered: this test runs as an ordinary user");
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv (util-linux) is not installed");
        // The engine's sandbox needs user namespaces; without them it cannot start for this user.
        if (QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "unshare", "--user",
                                          "true"}) != 0)
            QSKIP("an ordinary user cannot make a user namespace here, so the engine's sandbox cannot start");
        Check(true);
    }
};

QTEST_GUILESS_MAIN(TestHostileTexts)
#include "tst_hostiletexts.moc"
