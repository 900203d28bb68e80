#include "../imaging/fixtures.h"
#include "imaging/photointake.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "flyer/listingstatus.h"
#include "support/childprocess.h"
#include "support/pictures.h"

#include <QStandardPaths>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

// A Gallery project whose main photo comes from an original of the given size, the others large.
QString Project(const QString& folder, const QSize& main)
{
    QDir().mkpath(folder);
    std::array<QString, kPhotoSlots> paths;
    for (int i = 0; i < kPhotoSlots; ++i) {
        paths[size_t(i)] = QDir(folder).filePath(QStringLiteral("chosen%1.jpg").arg(i + 1));
        Fixtures::PhotoLike(i == 0 ? main.width() : 1600, i == 0 ? main.height() : 1000)
            .save(paths[size_t(i)], "JPEG", 90);
    }
    ProcessPhotos(folder, paths);
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strTheme = QStringLiteral("Gallery - KT401");
    flyer.m_strCaption = QStringLiteral("Charming Bungalow");
    for (int i = 0; i < kPhotoSlots; ++i)
        flyer.m_photos[size_t(i)].m_strPath = paths[size_t(i)];
    flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
    flyer.Save();
    return flyer.m_strPathName;
}

// Pure magenta: no theme draws it, so any of it on a page came from the secret.
bool IsSecretColour(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) > 200;
}

// Every file below folder.
QStringList FilesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

// The text of a PDF as pdftotext gives it, on one line.
QString PdfText(const QString& pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!text.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(text.readAllStandardOutput()).simplified();
}

// The findings of a preflight answer as "rule level" words, in order.
QStringList FindingWords(const QByteArray& answer)
{
    QStringList words;
    for (const QJsonValue& finding : QJsonDocument::fromJson(answer).object().value("findings").toArray())
        words.append(finding.toObject().value("rule").toString() + QLatin1Char(' ') +
                     finding.toObject().value("level").toString());
    return words;
}

void SaveExtras(const QString& project, ListingStatus status)
{
    CListingExtras extras;
    extras.m_status = status;
    extras.m_openHouse = COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(16, 0)};
    QVERIFY(extras.Save(QFileInfo(project).absolutePath()).ok);
}

} // namespace

class TestPrintCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void renderQuality_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QSize>("picture"); // empty: a PDF is expected
        QTest::newRow("screen by default") << QStringList() << "screen.png" << 0 << QSize(816, 1056);
        QTest::newRow("print picture") << QStringList{"--quality", "print"} << "print.png" << 0 << QSize(2550, 3300);
        QTest::newRow("print PDF") << QStringList{"--quality", "print"} << "print.pdf" << 0 << QSize();
        QTest::newRow("unknown quality") << QStringList{"--quality", "best"} << "bad.png" << 2 << QSize();
        QTest::newRow("press PDF") << QStringList{"--quality", "press"} << "press.pdf" << 0 << QSize();
        QTest::newRow("press PDF, marks")
            << QStringList{"--quality", "press", "--marks"} << "marks.pdf" << 0 << QSize();
        // The sheet, trim and bleed, at 300 dpi.
        QTest::newRow("press picture") << QStringList{"--quality", "press"} << "press.png" << 0 << QSize(2625, 3375);
        QTest::newRow("marks without press") << QStringList{"--quality", "print", "--marks"} << "m.pdf" << 2 << QSize();
    }

    // render and export take --quality; print gives the vector page or its 300 dpi picture.
    void renderQuality()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, out);
        QFETCH(int, exitCode);
        QFETCH(QSize, picture);
        for (const QString& command : {QStringLiteral("render"), QStringLiteral("export")}) {
            const QString path = m_dir.filePath(command + QLatin1Char('-') + out);
            const ChildRun r = RunCli(QStringList{command, QStringLiteral("--theme"), QStringLiteral("Gallery - KT401"),
                                                  QStringLiteral("--out"), path} +
                                      extra);
            QVERIFY2(r.exitCode == exitCode, r.err.constData());
            if (exitCode != 0) {
                QVERIFY(!QFile::exists(path));
                continue;
            }
            if (picture.isEmpty()) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                QVERIFY(file.read(5) == "%PDF-");
                continue;
            }
            const QImage image(path);
            // Export frames the screen picture; a print-quality picture is the page itself.
            QCOMPARE(image.size(), picture);
        }
    }

    void pressChecks_data()
    {
        QTest::addColumn<QString>("price"); // the price's style
        QTest::addColumn<QString>("band");  // a band's style, at the top edge
        QTest::addColumn<QStringList>("findings");
        QTest::newRow("text 0.05 in from the edge") << "left:4.8px;top:300px"
                                                    << "" << QStringList{"safe-zone price error"};
        QTest::newRow("text 0.2 in inside") << "left:19.2px;top:300px"
                                            << "" << QStringList();
        QTest::newRow("text at the foot, 0.05 in up") << "left:200px;bottom:4.8px;line-height:20px"
                                                      << "" << QStringList{"safe-zone price error"};
        QTest::newRow("text cut off by its box stays unseen")
            << "left:200px;top:1020px;height:10px;padding-top:10px;line-height:20px;overflow:hidden"
            << "" << QStringList();
        QTest::newRow("5 pt text") << "left:200px;top:300px;font-size:6.5px"
                                   << "" << QStringList{"min-size price warning"};
        QTest::newRow("band with a border along the edge")
            << "left:200px;top:300px"
            << "border-top:3px solid #202020" << QStringList{"bleed band error"};
        QTest::newRow("band kept at the trim") << "left:200px;top:300px"
                                               << "border-top:3px solid #202020\" data-bleed=\"none" << QStringList();
        QTest::newRow("plain band") << "left:200px;top:300px"
                                    << "" << QStringList();
    }

    // What a print shop checks, measured on the laid-out page of a user's theme: text near the trim,
    // text under 6 pt, an edge that cannot continue into the bleed; each named by its field.
    void pressChecks()
    {
        QFETCH(QString, price);
        QFETCH(QString, band);
        QFETCH(QStringList, findings);
        const QString folder = m_dir.filePath(QStringLiteral("Safe-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(QDir().mkpath(folder));
        const QString page = QDir(folder).filePath(QStringLiteral("index.htm"));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>html,body{margin:0;padding:0}"
                           "body{width:816px;height:1056px;position:relative;overflow:hidden;font:14px sans-serif}"
                           "#price{position:absolute;white-space:nowrap}"
                           "#band{position:absolute;left:0;top:0;width:816px;height:60px;background:#204080}</style>"
                           "</head><body><div id=\"band\" style=\"%1\"></div>"
                           "<div id=\"price\" data-fit-name=\"price\" style=\"%2\">$_listingPrice$</div></body></html>")
                .arg(band, price)
                .toUtf8());
        file.close();
        const ChildRun r = RunCli({QStringLiteral("preflight"), QStringLiteral("--template"), page});
        const QJsonObject answer = QJsonDocument::fromJson(r.out).object();
        QStringList found;
        for (const QJsonValue& value : answer.value("findings").toArray()) {
            const QJsonObject finding = value.toObject();
            found.append(QStringLiteral("%1 %2 %3")
                             .arg(finding.value("rule").toString(), finding.value("field").toString(),
                                  finding.value("level").toString()));
            if (finding.value("rule") == QLatin1String("safe-zone"))
                QVERIFY2(finding.value("message").toString().startsWith(QStringLiteral("The price in ")),
                         r.out.constData());
        }
        QCOMPARE(found, findings);
        const bool error = found.join(' ').contains(QLatin1String("error"));
        QCOMPARE(r.exitCode, error ? 1 : 0);
        QCOMPARE(answer.value("ok").toBool(), !error);
    }

    void bleedNone_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<bool>("bleeds");
        QTest::newRow("a band continues") << "" << true;
        QTest::newRow("data-bleed=none keeps it at the trim") << "data-bleed=\"none\"" << false;
    }

    // A band at the top edge continues into the bleed unless the theme says otherwise.
    void bleedNone()
    {
        QFETCH(QString, attribute);
        QFETCH(bool, bleeds);
        const QString page = m_dir.filePath(QStringLiteral("band-%1.htm").arg(bleeds));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0\"><div %1 style=\"position:absolute;"
                                  "left:0;top:0;width:816px;height:80px;background:#1040a0\"></div></body></html>")
                       .arg(attribute)
                       .toUtf8());
        file.close();
        const QString pdf = m_dir.filePath(QStringLiteral("band-%1.pdf").arg(bleeds));
        const ChildRun r = RunCli({QStringLiteral("export"), QStringLiteral("--template"), page,
                                   QStringLiteral("--quality"), QStringLiteral("press"), QStringLiteral("--out"), pdf});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-singlefile"), QStringLiteral("-png"),
                      pdf, m_dir.filePath(QStringLiteral("band-%1").arg(bleeds))});
        QVERIFY(raster.waitForFinished(60000));
        const QImage sheet(m_dir.filePath(QStringLiteral("band-%1.png").arg(bleeds)));
        QCOMPARE(sheet.size(), QSize(630, 810));
        const auto blue = [](QRgb p) { return qBlue(p) > 130 && qRed(p) < 60; };
        QVERIFY(blue(sheet.pixel(300, 20)));                               // the band in the trim
        QCOMPARE(blue(sheet.pixel(300, 3)), bleeds);                       // above it, in the bleed
        QCOMPARE(blue(sheet.pixel(3, 30)), bleeds);                        // beside it
        QVERIFY(!blue(sheet.pixel(300, 80)) && !blue(sheet.pixel(3, 80))); // below it, white both ways
    }

    // A square page that is no social picture (a 10 in yard sign) goes to press on its own page on the
    // bleed sheet: 720 x 720 pt trimmed.
    void pressBoxesFollowThePage()
    {
        const QString themes = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                               QStringLiteral("/Tarnwick/Listora/Themes");
        QVERIFY(QDir().mkpath(themes + QStringLiteral("/Square")));
        QFile page(themes + QStringLiteral("/Square/index.htm"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<!DOCTYPE html><html><body style=\"margin:0;width:960px;height:960px;background:#2050a0\">"
                   "<p style=\"margin:200px\">$_listingPrice$</p></body></html>");
        page.close();
        QFile ini(themes + QStringLiteral("/Themes.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Themes]\nCount=1\nTHEME01=Square Sign\n\n[Square Sign]\nName=Square Sign\nWidth=960\n"
                  "Height=960\nOrientation=0\nColor=RGB(32, 80, 160)\nPhotos=1\nTypeface=Tahoma\n"
                  "Id={0B8D9E21-5C3A-4F7E-9D61-2A4C8E0F1B33}\nVersion=1.0\nCreated=1796860800\n"
                  "Template=Square\\index.htm\n");
        ini.close();
        const QString pdf = m_dir.filePath(QStringLiteral("sign-press.pdf"));
        const ChildRun r = RunCli({QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Square Sign"),
                                   QStringLiteral("--quality"), QStringLiteral("press"), QStringLiteral("--marks"),
                                   QStringLiteral("--out"), pdf});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-box"), pdf});
        QVERIFY(info.waitForFinished(60000));
        const QString boxes = QString::fromUtf8(info.readAllStandardOutput()).simplified();
        QVERIFY2(boxes.contains(QStringLiteral("TrimBox: 9.00 9.00 729.00 729.00")), qPrintable(boxes));
        QVERIFY2(boxes.contains(QStringLiteral("BleedBox: 0.00 0.00 738.00 738.00")), qPrintable(boxes));
        QVERIFY2(boxes.contains(QStringLiteral("MediaBox: -27.00 -27.00 765.00 765.00")), qPrintable(boxes));
    }

    // A print copy shows the part of the original the user cropped to, as the screen photo does.
    void printCopyKeepsTheCrop()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Cropped"));
        const QString project = Project(folder, QSize(2400, 1600));
        const QImage halves = TestSupport::YellowBlueHalves(QSize(2400, 1600));
        QVERIFY(halves.save(QDir(folder).filePath(QStringLiteral("_original01.jpg")), "JPEG", 95));
        CListingExtras extras;
        extras.m_crops[0] = QRect(1200, 0, 1200, 800);
        QVERIFY(extras.Save(folder).ok);

        const QString out = m_dir.filePath(QStringLiteral("cropped.png"));
        const ChildRun r = RunCli({QStringLiteral("export"), QStringLiteral("--project"), project,
                                   QStringLiteral("--quality"), QStringLiteral("print"), QStringLiteral("--out"), out});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QImage page(out);
        QCOMPARE(page.size(), QSize(2550, 3300));
        QString counts;
        QVERIFY2(TestSupport::ShowsOnlyBlueHalf(page, &counts), qPrintable(counts));
    }

    void secretStaysOut_data()
    {
        QTest::addColumn<bool>("linkedOriginal");
        QTest::newRow("photo path names it") << false;
        QTest::newRow("original links to it") << true;
    }

    // As an ordinary user would be attacked: a project from someone else names a picture under
    // ~/.ssh (or links its full-size original there). No output shows it, no cache file holds it.
    void secretStaysOut()
    {
        QFETCH(bool, linkedOriginal);
        const QString sshFolder = QDir::home().filePath(QStringLiteral(".ssh"));
        QVERIFY(QDir().mkpath(sshFolder));
        const QString secret = QDir(sshFolder).filePath(QStringLiteral("secret.jpg"));
        QImage magenta(2400, 1600, QImage::Format_RGB32);
        magenta.fill(QColor(255, 0, 255));
        QVERIFY(magenta.save(secret, "JPEG", 95));
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        QFile secretFile(secret);
        QVERIFY(secretFile.open(QIODevice::ReadOnly));
        const QByteArray secretBytes = secretFile.readAll();

        const QString folder = QDir::home().filePath(
            QStringLiteral("Documents/My Listora/Projects/Shared %1").arg(QTest::currentDataTag()));
        const QString project = Project(folder, QSize(2400, 1600));
        CFlyerData flyer;
        QVERIFY(flyer.Load(project).IsOk());
        if (linkedOriginal) {
            const QString original = QDir(folder).filePath(QStringLiteral("_original01.jpg"));
            QVERIFY(QFile::remove(original));
            QVERIFY(QFile::link(secret, original));
        } else {
            flyer.m_photos[0].m_strPath = secret;
            QVERIFY(flyer.Save().IsOk());
        }
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);

        const auto noSecretOn = [](const QImage& page, const QString& what) {
            QVERIFY2(!page.isNull(), qPrintable(what));
            const int seen = TestSupport::CountPixels(page, 2, IsSecretColour);
            QVERIFY2(seen < 20, qPrintable(QStringLiteral("%1: %2 magenta pixels").arg(what).arg(seen)));
        };
        // The screen flyer and the print-quality page are made without it, and say so.
        for (const QString& quality : {QStringLiteral("screen"), QStringLiteral("print")}) {
            const QString out =
                m_dir.filePath(QStringLiteral("secret-%1-%2.png").arg(quality, QTest::currentDataTag()));
            const ChildRun r = RunCli({QStringLiteral("render"), QStringLiteral("--project"), project,
                                       QStringLiteral("--quality"), quality, QStringLiteral("--out"), out});
            QVERIFY2(r.exitCode == 0, r.err.constData());
            if (quality == QLatin1String("print") || !linkedOriginal)
                QVERIFY2(r.err.contains("lies outside the folders a flyer may show pictures from"), r.err.constData());
            noSecretOn(QImage(out), out);
            if (QTest::currentTestFailed())
                return;
        }
        // Export (the print-quality picture too) leaves it out and names it.
        const QString exported = m_dir.filePath(QStringLiteral("secret-%1.png").arg(QTest::currentDataTag()));
        ChildRun r = RunCli({QStringLiteral("export"), QStringLiteral("--project"), project,
                             QStringLiteral("--quality"), QStringLiteral("print"), QStringLiteral("--out"), exported});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QString named = linkedOriginal ? QDir(folder).filePath("_original01.jpg") : secret;
        QVERIFY2(QString::fromUtf8(r.err).contains(QDir::toNativeSeparators(named)), r.err.constData());
        noSecretOn(QImage(exported), exported);
        if (QTest::currentTestFailed())
            return;

        r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), project});
        QCOMPARE(r.exitCode, 1);
        const QJsonObject answer = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(answer.value("ok").toBool(), false);
        const QJsonArray findings = answer.value("findings").toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings.at(0).toObject().value("rule").toString(), QStringLiteral("photo-outside"));
        QCOMPARE(findings.at(0).toObject().value("field").toString(), QStringLiteral("photo1"));
        QCOMPARE(findings.at(0).toObject().value("level").toString(), QStringLiteral("error"));
        for (const QJsonValue& photo : answer.value("photos").toArray())
            QVERIFY(photo.toObject().value("slot").toInt() != 1); // never measured, never read

        // The cache holds the other photos' copies, each the user's alone, and nothing of the secret.
        const QString printCache = QDir(cache).filePath(QStringLiteral("Tarnwick/Listora/Print"));
        QCOMPARE(QFile::permissions(printCache) & 0x7077, QFile::Permissions(0x7000));
        const QStringList cached = FilesBelow(cache);
        QVERIFY(!cached.isEmpty());
        for (const QString& file : cached) {
            QFile copy(file);
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QVERIFY2(copy.readAll() != secretBytes, qPrintable(file));
            if (file.startsWith(printCache))
                QCOMPARE(QFile::permissions(file) & 0x7077, QFile::Permissions(0x6000)); // owner only
            const QImage picture(file);
            if (!picture.isNull()) {
                const int seen = TestSupport::CountPixels(picture, 1, IsSecretColour);
                QVERIFY2(seen * 10 < picture.width() * picture.height(), qPrintable(file));
            }
        }
    }

    void damagedPhotoIsNamed_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // of the project's _photo01.jpg
        QTest::addColumn<QString>("reason");
        const QByteArray whole = Fixtures::Encode(Fixtures::PhotoLike(600, 400), "jpeg", 90);
        QTest::newRow("cut at 700 bytes") << whole.left(700) << "is damaged or incomplete and cannot be used.";
        QTest::newRow("cut half way") << whole.left(whole.size() / 2) << "is damaged or incomplete";
        QTest::newRow("a text file") << QByteArray("Open house on Sunday\n")
                                     << "is not a picture that Listora can open (JPEG, PNG or BMP).";
        QTest::newRow("30000 x 30000") << Fixtures::JpegClaiming(QSize(30000, 30000))
                                       << "is too large to open (30000 x 30000 pixels; at most 200 million pixels).";
    }

    // A photo damaged inside the project: render draws the flyer and warns, export writes nothing and
    // fails, preflight names it; each with the intake's words.
    void damagedPhotoIsNamed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString folder = m_dir.filePath(QStringLiteral("Damaged %1").arg(QTest::currentDataTag()));
        const QString project = Project(folder, QSize(2400, 1600));
        const QString photo = QDir(folder).filePath(QStringLiteral("_photo01.jpg"));
        QVERIFY(Fixtures::WriteFile(photo, bytes));
        const QString named = QStringLiteral("Photo 1 (%1) ").arg(QDir::toNativeSeparators(photo)) + reason;

        const QString rendered = m_dir.filePath(QStringLiteral("damaged-%1.png").arg(QTest::currentDataTag()));
        ChildRun r =
            RunCli({QStringLiteral("render"), QStringLiteral("--project"), project, QStringLiteral("--out"), rendered});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(QString::fromUtf8(r.err).contains(named), r.err.constData());
        QCOMPARE(QImage(rendered).size(), QSize(816, 1056));

        const QString exported = m_dir.filePath(QStringLiteral("damaged-%1.pdf").arg(QTest::currentDataTag()));
        r = RunCli({QStringLiteral("export"), QStringLiteral("--project"), project, QStringLiteral("--out"), exported});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(named), r.err.constData());
        QVERIFY(!QFile::exists(exported));

        r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), project});
        QCOMPARE(r.exitCode, 1);
        const QJsonArray findings = QJsonDocument::fromJson(r.out).object().value("findings").toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings.at(0).toObject().value("rule").toString(), QStringLiteral("photo-damaged"));
        QCOMPARE(findings.at(0).toObject().value("field").toString(), QStringLiteral("photo1"));
        QVERIFY(findings.at(0).toObject().value("message").toString().contains(named));
    }

    // One object per photo slot, and exit 1 when a photo prints under 150 ppi.
    void preflight()
    {
        const QString small = Project(m_dir.filePath(QStringLiteral("Small")), QSize(900, 600));
        ChildRun r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), small});
        QCOMPARE(r.exitCode, 1);
        QJsonObject answer = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(answer.keys(), (QStringList{"findings", "ok", "photos"}));
        QCOMPARE(answer.value("ok").toBool(), false);
        QVERIFY(answer.value("findings").toArray().isEmpty());
        const QJsonArray slots = answer.value("photos").toArray();
        QCOMPARE(slots.size(), 4);
        const QJsonObject main = slots.at(0).toObject();
        QCOMPARE(main.keys(),
                 (QStringList{"box_height_in", "box_width_in", "ok", "ppi", "slot", "source_height", "source_width"}));
        QCOMPARE(main.value("slot").toInt(), 1);
        QCOMPARE(main.value("source_width").toInt(), 900);
        QCOMPARE(main.value("source_height").toInt(), 600);
        QVERIFY(std::abs(main.value("box_width_in").toDouble() - 752 / 96.0) < 0.01);
        QVERIFY(std::abs(main.value("ppi").toDouble() - 114.9) < 0.2);
        QCOMPARE(main.value("ok").toBool(), false);
        for (int i = 1; i < 4; ++i)
            QVERIFY(slots.at(i).toObject().value("ok").toBool());

        const QString large = Project(m_dir.filePath(QStringLiteral("Large")), QSize(2400, 1600));
        r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), large});
        QCOMPARE(r.exitCode, 0);
        answer = QJsonDocument::fromJson(r.out).object();
        QVERIFY(answer.value("ok").toBool());
        QVERIFY(answer.value("photos").toArray().at(0).toObject().value("ok").toBool());

        r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), large, QStringLiteral("extra")});
        QCOMPARE(r.exitCode, 2);
    }

    // Text cut to fit its box is an error of the preflight, naming the field and how much is left.
    void preflightNamesCutText()
    {
        const QString path = Project(m_dir.filePath(QStringLiteral("Cut")), QSize(2400, 1600));
        CFlyerData flyer;
        QVERIFY(flyer.Load(path).IsOk());
        flyer.m_strCaption = QStringLiteral("Just Listed - Ocean View Estate With Private Beach Access And Guest House "
                                            "And A Dock For Two Boats");
        QVERIFY(flyer.Save().IsOk());
        const ChildRun r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), path});
        QCOMPARE(r.exitCode, 1);
        const QJsonArray findings = QJsonDocument::fromJson(r.out).object().value("findings").toArray();
        QCOMPARE(findings.size(), 1);
        const QJsonObject finding = findings.at(0).toObject();
        QCOMPARE(finding.value("rule").toString(), QStringLiteral("text-fit"));
        QCOMPARE(finding.value("field").toString(), QStringLiteral("caption"));
        QCOMPARE(finding.value("level").toString(), QStringLiteral("error"));
        QVERIFY2(finding.value("message").toString().startsWith(QStringLiteral("The caption is cut after ")) &&
                     finding.value("message").toString().endsWith(QStringLiteral("characters in Gallery - KT401.")),
                 r.out.constData());
    }

    // A caption that overflows its one line by less than a pixel is shrunk like any other: the theme's
    // own "..." must not take its last word unannounced.
    void captionFitsToTheLastWord()
    {
        const QString path = Project(m_dir.filePath(QStringLiteral("Opening")), QSize(2400, 1600));
        CFlyerData flyer;
        QVERIFY(flyer.Load(path).IsOk());
        flyer.m_strTheme = QStringLiteral("Simple - KT101");
        flyer.m_strCaption = QStringLiteral("\u00a1Casa Abierta! S\u00e1bado 1-4 pm");
        QVERIFY(flyer.Save().IsOk());
        const QString pdf = m_dir.filePath(QStringLiteral("opening.pdf"));
        const ChildRun r = RunCli({QStringLiteral("export"), QStringLiteral("--project"), path,
                                   QStringLiteral("--quality"), QStringLiteral("print"), QStringLiteral("--out"), pdf});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(shown.contains(QStringLiteral("S\u00e1bado 1-4 pm")), qPrintable(shown.left(200)));
    }

    // The agent's picture and logo, set through the profile command, keep their chosen files (a PNG
    // logo with its transparency) and print from them: the preflight names both, and the print PDF
    // holds the logo at print resolution with its alpha. Run last: the profile stays.
    void profilePicturesPrintFromTheirOriginals()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Profile"));
        QVERIFY(QDir().mkpath(folder));
        QImage logo(1500, 500, QImage::Format_ARGB32);
        logo.fill(Qt::transparent);
        for (int y = 100; y < 400; ++y)
            for (int x = 200; x < 1300; ++x)
                logo.setPixel(x, y, qRgb(0, 160, 40));
        const QString logoPath = QDir(folder).filePath(QStringLiteral("logo.png"));
        QVERIFY(logo.save(logoPath, "PNG"));
        const QString picturePath = QDir(folder).filePath(QStringLiteral("me.jpg"));
        QVERIFY(Fixtures::PhotoLike(1200, 1800).save(picturePath, "JPEG", 90));

        ChildRun r = RunCli({QStringLiteral("profile"), QStringLiteral("--name"), QStringLiteral("Dana Whitfield"),
                             QStringLiteral("--picture"), picturePath, QStringLiteral("--logo"), logoPath});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QJsonObject profile = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(profile.value("name").toString(), QStringLiteral("Dana Whitfield"));
        const QString keptLogo = profile.value("logo_original").toString();
        QVERIFY2(keptLogo.endsWith(QLatin1String("Logo-original.png")), qPrintable(keptLogo));
        QFile chosen(logoPath), kept(keptLogo);
        QVERIFY(chosen.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), chosen.readAll());
        QVERIFY(profile.value("picture_original").toString().endsWith(QLatin1String("MyPicture-original.jpg")));

        // A picture the chooser refuses writes nothing.
        r = RunCli({QStringLiteral("profile"), QStringLiteral("--name"), QStringLiteral("Someone Else"),
                    QStringLiteral("--logo"), m_dir.filePath(QStringLiteral("none.png"))});
        QCOMPARE(r.exitCode, 1);
        r = RunCli({QStringLiteral("profile")});
        QCOMPARE(QJsonDocument::fromJson(r.out).object().value("name").toString(), QStringLiteral("Dana Whitfield"));

        const QString project = Project(m_dir.filePath(QStringLiteral("WithAgent")), QSize(2400, 1600));
        r = RunCli({QStringLiteral("preflight"), QStringLiteral("--project"), project});
        const QJsonArray slots = QJsonDocument::fromJson(r.out).object().value("photos").toArray();
        QStringList named;
        for (const QJsonValue& slot : slots) {
            if (slot.toObject().value("slot").isString()) {
                named.append(slot.toObject().value("slot").toString());
                QVERIFY2(slot.toObject().value("ppi").toDouble() >= 250, r.out.constData());
            }
        }
        QCOMPARE(named, (QStringList{"picture", "logo"}));

        // The print page and the press page alike.
        for (const QString& quality : {QStringLiteral("print"), QStringLiteral("press")}) {
            const QString pdf = m_dir.filePath(QStringLiteral("agent-%1.pdf").arg(quality));
            r = RunCli({QStringLiteral("export"), QStringLiteral("--project"), project, QStringLiteral("--quality"),
                        quality, QStringLiteral("--out"), pdf});
            QVERIFY2(r.exitCode == 0, r.err.constData());
            QProcess images;
            images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
            QVERIFY(images.waitForFinished(60000));
            // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
            bool transparentLogo = false;
            for (const QByteArray& line : images.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> cells = line.simplified().split(' ');
                if (cells.size() >= 14 && cells.at(2) == "smask" && cells.at(12).toInt() >= 250)
                    transparentLogo = true;
            }
            QVERIFY2(transparentLogo, qPrintable(quality));
        }
    }
    // Every Letter theme prints the listing's status and open house, and the brokerage and licence set
    // through the profile command, as text on the print-quality page.
    void campaignOnEveryLetterTheme()
    {
        ChildRun r = RunCli({QStringLiteral("profile"), QStringLiteral("--name"), QStringLiteral("Dana Whitfield"),
                             QStringLiteral("--brokerage"), QStringLiteral("Harbourline Realty"),
                             QStringLiteral("--brokerage-phone"), QStringLiteral("(503) 555-0100"),
                             QStringLiteral("--licence"), QStringLiteral("DRE #01234567")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QJsonObject profile = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(profile.value("brokerage").toString(), QStringLiteral("Harbourline Realty"));
        QCOMPARE(profile.value("licence").toString(), QStringLiteral("DRE #01234567"));
        QCOMPARE(profile.value("ad_rules").toBool(), true); // on once a brokerage is named

        const QString project = Project(m_dir.filePath(QStringLiteral("Campaign")), QSize(2400, 1600));
        r = RunCli({QStringLiteral("themes")});
        QStringList letter;
        for (const QJsonValue& theme : QJsonDocument::fromJson(r.out).array()) {
            const QJsonObject entry = theme.toObject();
            if (entry.value("width").toInt() == 816 && entry.value("height").toInt() == 1056)
                letter.append(entry.value("name").toString());
        }
        QVERIFY(letter.size() >= 13);
        const struct
        {
            ListingStatus status;
            QStringList shown;
        } cases[] = {{ListingStatus::OpenHouse, {"Open House", "March 7", "1-4 PM"}}, {ListingStatus::Sold, {"Sold"}}};
        for (const auto& c : cases) {
            SaveExtras(project, c.status);
            for (const QString& theme : std::as_const(letter)) {
                const QString pdf = m_dir.filePath(QStringLiteral("campaign.pdf"));
                r = RunCli({QStringLiteral("export"), QStringLiteral("--theme"), theme, QStringLiteral("--project"),
                            project, QStringLiteral("--quality"), QStringLiteral("print"), QStringLiteral("--out"),
                            pdf});
                QVERIFY2(r.exitCode == 0, qPrintable(theme + r.Err()));
                const QString text = PdfText(pdf);
                for (const QString& words : c.shown + QStringList{"Harbourline Realty", "DRE #01234567"})
                    QVERIFY2(text.contains(words), qPrintable(theme + QStringLiteral(": no \"") + words +
                                                              QStringLiteral("\" in ") + text.left(300)));
                if (c.status == ListingStatus::Sold)
                    QVERIFY2(!text.contains(QStringLiteral("March 7")), qPrintable(theme));
            }
        }
    }

    // The brokerage must be on the page, at no less than half the size of the agent's name and phones:
    // errors with the rules on, warnings with them off.
    void advertisingRules()
    {
        const QString project = Project(m_dir.filePath(QStringLiteral("Rules")), QSize(2400, 1600));
        const auto profile = [](const QStringList& args) {
            const ChildRun r = RunCli(QStringList{QStringLiteral("profile")} + args);
            QVERIFY2(r.exitCode == 0, r.err.constData());
        };
        const auto preflight = [&project](const QString& theme, int exitCode) {
            const ChildRun r = RunCli(
                {QStringLiteral("preflight"), QStringLiteral("--theme"), theme, QStringLiteral("--project"), project});
            if (r.exitCode != exitCode)
                qWarning() << r.out;
            // The 6 px text of the theme below is also too small for press (min-size): not these rules.
            return r.exitCode == exitCode ? FindingWords(r.out).filter(QRegularExpression(QStringLiteral("^brokerage")))
                                          : QStringList{QStringLiteral("exit %1").arg(r.exitCode)};
        };
        profile({"--name", "Dana Whitfield", "--company", "", "--brokerage", "", "--ad-rules", "on"});
        QCOMPARE(preflight(QStringLiteral("Simple - KT101"), 1), QStringList{"brokerage error"});
        // Off, an agent without a brokerage is left alone.
        profile({"--ad-rules", "off"});
        QCOMPARE(preflight(QStringLiteral("Simple - KT101"), 0), QStringList());
        profile({"--brokerage", "Harbourline Realty", "--ad-rules", "on"});
        QCOMPARE(preflight(QStringLiteral("Simple - KT101"), 0), QStringList());

        // A theme of the agent's own that draws the brokerage at 6 px, under half the 16 px name.
        ChildRun r = RunCli({QStringLiteral("theme-new"), QStringLiteral("Fine Print"), QStringLiteral("--from"),
                             QStringLiteral("Simple - KT101")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QString templatePath = r.Out().trimmed();
        QFile file(templatePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString page = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(page.contains(QLatin1String("$_brokerageBlock$")));
        page.replace(QLatin1String("$_brokerageBlock$"),
                     QLatin1String("<span style=\"font-size: 6px\">$_brokerageName$</span>"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(page.toUtf8());
        file.close();
        QCOMPARE(preflight(QStringLiteral("Fine Print"), 1), QStringList{"brokerage-size error"});
        profile({"--ad-rules", "off"});
        QCOMPARE(preflight(QStringLiteral("Fine Print"), 0), QStringList{"brokerage-size warning"});
        // A theme that shows no brokerage at all leaves the name off the page.
        page.remove(QLatin1String("<span style=\"font-size: 6px\">$_brokerageName$</span>"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(page.toUtf8());
        file.close();
        QCOMPARE(preflight(QStringLiteral("Fine Print"), 0), QStringList{"brokerage warning"});
        profile({"--ad-rules", "on"});
        QCOMPARE(preflight(QStringLiteral("Fine Print"), 1), QStringList{"brokerage error"});
    }
};

QTEST_GUILESS_MAIN(TestPrintCli)
#include "tst_printcli.moc"
