#include "catalogue/themecatalogue.h"
#include "support/flyerrequests.h"
#include "catalogue/themetemplateinfo.h"
#include "compose/templatemerge.h"
#include "flyer/flyerdata.h"
#include "flyer/pagesize.h"
#include "settings/appsettings.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunChild;

ChildRun Cli(const QStringList& args, const QByteArray& input = QByteArray())
{
    return TestSupport::RunCli(args, {.input = input});
}

// A project folder with its file and, when url is given, its extras.
QString WriteProject(const QString& folder, const QString& url)
{
    QDir().mkpath(folder);
    CFlyerData record;
    record.Reset();
    record.m_strCaption = QStringLiteral("Just Listed");
    record.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
    if (!record.Save().IsOk())
        return QString();
    const ChildRun show = Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName});
    QJsonObject json = QJsonDocument::fromJson(show.out).object();
    json.insert(QStringLiteral("listing_url"), url);
    if (Cli({QStringLiteral("project"), QStringLiteral("write"), record.m_strPathName}, QJsonDocument(json).toJson())
            .exitCode != 0)
        return QString();
    return record.m_strPathName;
}

QString ThemeFolder()
{
    return QStringLiteral(LISTORA_BIN_DIR "/../share/listora/Themes");
}

} // namespace

class TestListingQr : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mergeFillsTheTokens_data();
    void mergeFillsTheTokens();
    void codeReadsBackFromTheFlyer_data();
    void codeReadsBackFromTheFlyer();
    void noAddressLeavesNoFrame();
};

void TestListingQr::mergeFillsTheTokens_data()
{
    QTest::addColumn<QString>("listingUrl");
    QTest::addColumn<QString>("website");
    QTest::addColumn<bool>("hasCode");
    QTest::addColumn<QString>("shown");

    QTest::newRow("listing address") << QStringLiteral("https://homes.example/l?id=4&ref=flyer")
                                     << QStringLiteral("www.agent.example") << true
                                     << QStringLiteral("https://homes.example/l?id=4&amp;ref=flyer");
    QTest::newRow("agent's site") << QString() << QStringLiteral("www.agent.example") << true
                                  << QStringLiteral("http://www.agent.example");
    QTest::newRow("neither") << QString() << QString() << false << QString();
}

void TestListingQr::mergeFillsTheTokens()
{
    QFETCH(QString, listingUrl);
    QFETCH(QString, website);
    QFETCH(bool, hasCode);
    QFETCH(QString, shown);

    CAppSettings settings;
    settings.Path2BlankImage = QStringLiteral("/opt/listora/_blank.gif");
    settings.Website = website;
    CFlyerData flyer;
    flyer.Reset();
    CListingExtras extras;
    extras.m_strListingUrl = listingUrl;
    const QString page = MergeTemplate(QStringLiteral("[$_qrCode$][$_listingUrl$]"),
                                       TestSupport::Request(flyer, true, listingUrl), settings, CMergeLook());
    const QString code = page.mid(1, page.indexOf(QLatin1Char(']')) - 1);
    if (hasCode)
        QVERIFY2(code.startsWith(QLatin1String("data:image/svg+xml;base64,")), qPrintable(code));
    else
        QCOMPARE(code, QStringLiteral("file:///opt/listora/_blank.gif"));
    QVERIFY(page.endsWith(QStringLiteral("[%1]").arg(shown)));
}

void TestListingQr::codeReadsBackFromTheFlyer_data()
{
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<QString>("quality");
    // Every installed theme places the code, a two-sided theme on its back; but for a square post and
    // a link preview: they are seen on the phone that would have to scan them.
    CXThemeCatalogue catalogue;
    QVERIFY(catalogue.LoadAvailableThemes(ThemeFolder()));
    QVERIFY(catalogue.size() >= 13);
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        const CXThemeTemplateInfo& theme = catalogue.at(i);
        const QString format = PageFormatName(theme.GetPageSize());
        if (format == QLatin1String("square") || format == QLatin1String("link"))
            continue;
        const bool back = !theme.GetBackTemplate().isEmpty();
        const QStringList page = back ? QStringList{QStringLiteral("--template"), theme.GetBackTemplate()}
                                      : QStringList{QStringLiteral("--theme"), theme.GetName()};
        for (const char* quality : {"screen", "print"})
            QTest::addRow("%s%s, %s", qPrintable(theme.GetName()), back ? " (back)" : "", quality)
                << page << QString::fromLatin1(quality);
    }
}

// The screen picture, and the print-quality page drawn at 300 dpi.
void TestListingQr::codeReadsBackFromTheFlyer()
{
    QFETCH(QStringList, page);
    QFETCH(QString, quality);
    QTemporaryDir dir;
    const QString url = QStringLiteral("https://homes.example/listing/12-elm?ref=flyer&x=1");
    const QString project = WriteProject(dir.filePath(QStringLiteral("p")), url);
    QVERIFY(!project.isEmpty());

    const QString png = dir.filePath(QStringLiteral("flyer.png"));
    const ChildRun render = Cli(QStringList{QStringLiteral("render"), QStringLiteral("--project"), project} + page +
                                QStringList{QStringLiteral("--quality"), quality, QStringLiteral("--out"), png});
    QVERIFY2(render.exitCode == 0, render.err.constData());
    const ChildRun read = RunChild(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    QCOMPARE(QString::fromUtf8(read.out).trimmed(), url);
}

void TestListingQr::noAddressLeavesNoFrame()
{
    // Without a listing address or a web site in the profile, the page is the same as the theme
    // without its QR block: no empty frame and no caption.
    QTemporaryDir dir;
    const QString project = WriteProject(dir.filePath(QStringLiteral("p")), QString());
    QVERIFY(!project.isEmpty());

    QString text;
    QVERIFY(LoadTemplate(ThemeFolder() + QStringLiteral("/Gallery-KT401/index.htm"), text));
    static const QRegularExpression qrBlock(QStringLiteral("<div id=\"qr\">.*?</div></div>"));
    QVERIFY(text.contains(qrBlock));
    const QString withoutQr = dir.filePath(QStringLiteral("noqr.htm"));
    QFile file(withoutQr);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString(text).remove(qrBlock).toUtf8());
    file.close();

    const QString a = dir.filePath(QStringLiteral("a.png"));
    const QString b = dir.filePath(QStringLiteral("b.png"));
    const ChildRun withBlock =
        Cli({QStringLiteral("render"), QStringLiteral("--project"), project, QStringLiteral("--theme"),
             QStringLiteral("Gallery - KT401"), QStringLiteral("--out"), a});
    QVERIFY2(withBlock.exitCode == 0, withBlock.err.constData());
    const ChildRun without = Cli({QStringLiteral("render"), QStringLiteral("--project"), project,
                                  QStringLiteral("--template"), withoutQr, QStringLiteral("--out"), b});
    QVERIFY2(without.exitCode == 0, without.err.constData());
    QCOMPARE(QImage(a).convertToFormat(QImage::Format_RGB32), QImage(b).convertToFormat(QImage::Format_RGB32));
    QCOMPARE(RunChild(QStringLiteral("zbarimg"), {QStringLiteral("-q"), a}).exitCode, 4); // no code found
}

QTEST_GUILESS_MAIN(TestListingQr)
#include "tst_listingqr.moc"
