#include "catalogue/themecatalogue.h"
#include "support/flyerrequests.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/textfit.h"
#include "flyer/flyerdata.h"
#include "flyer/pagesize.h"
#include "settings/appsettings.h"

#include <QTest>

namespace {

QString DataFolder()
{
    return QStringLiteral(LISTORA_BIN_DIR "/../share/listora");
}

struct Listing
{
    QString caption;
    QString price;
    QString address;
    QString cityStateZip;
    QString description;
};

const QString kParagraph =
    QStringLiteral("Hermosa casa de estilo colonial con amplios espacios, cocina renovada con encimeras de cuarzo, "
                   "ventanales que llenan de luz la sala y un jard\u00edn privado con \u00e1rboles frutales.");

const Listing kLong = {QStringLiteral("Just Listed - Ocean View"), QStringLiteral("Offered at $1,249,000"),
                       QStringLiteral("14820 Pacific Coast Highway, Unit 12B"),
                       QStringLiteral("Cannon Beach, OR 97110"), kParagraph};
// Far more than any box holds even at its smallest: the shrink must stop at the theme's limit, and
// the rest is cut with an ellipsis and reported. Six paragraphs of a description among them.
const Listing kOverlong = {QStringLiteral("Just Listed - Ocean View Estate With Private Beach Access And Guest House"),
                           QStringLiteral("Offered at $12,450,000 or best offer, seller financing available"),
                           QStringLiteral("14820 Pacific Coast Highway North, Building C, Unit 1204 West Tower"),
                           QStringLiteral("Cannon Beach Heights, Oregon 97110-4521"),
                           QStringList(6, kParagraph).join(QStringLiteral("<br><br>"))};

} // namespace

class TestTextFit : public QObject
{
    Q_OBJECT

private:
    CXHTML2Image m_renderer;
    CAppSettings m_settings;

private Q_SLOTS:
    void initTestCase();
    void boxesFitWithinTheirLimits_data();
    void boxesFitWithinTheirLimits();
    void cutMessageNamesFieldAndTheme();
};

void TestTextFit::cutMessageNamesFieldAndTheme()
{
    TextFit::Box box;
    box.name = QStringLiteral("description");
    box.chars = 1480;
    box.kept = 612;
    box.cut = true;
    QCOMPARE(TextFit::CutMessage(box, QStringLiteral("Gallery - KT401")),
             QStringLiteral("The description is cut after 612 of 1,480 characters in Gallery - KT401."));
    box.name = QStringLiteral("contact");
    QVERIFY(TextFit::CutMessage(box, QStringLiteral("T")).startsWith(QStringLiteral("Your contact details are cut")));
}

void TestTextFit::initTestCase()
{
    m_settings.Path2Themes = DataFolder() + QStringLiteral("/Themes");
    m_settings.Path2SampleData = DataFolder() + QStringLiteral("/Samples");
    m_settings.Path2BlankImage = DataFolder() + QStringLiteral("/_blank.gif");
    m_settings.FullName = QStringLiteral("Jordan Avery");
    m_settings.Credentials = QStringLiteral("Real Estate Professional");
    QString error;
    QVERIFY2(m_renderer.WarmUp(&error), qPrintable(error));
}

void TestTextFit::boxesFitWithinTheirLimits_data()
{
    QTest::addColumn<QString>("templatePath");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<bool>("overlong");
    QTest::addColumn<QString>("otherPage");

    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(m_settings.Path2Themes);
    QVERIFY(catalogue.size() >= 13);
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        const CXThemeTemplateInfo& theme = catalogue.at(i);
        const QByteArray name = theme.GetName().toUtf8();
        // A card's back carries the texts its front leaves out: the two pages mark them together.
        const QString back = theme.GetBackTemplate();
        const QSize page = theme.GetPageSize();
        QTest::newRow(QByteArray(name + " long").constData()) << theme.GetTemplate() << page << false << back;
        QTest::newRow(QByteArray(name + " overlong").constData()) << theme.GetTemplate() << page << true << back;
        if (back.isEmpty())
            continue;
        QTest::newRow(QByteArray(name + " back, long").constData()) << back << page << false << theme.GetTemplate();
        QTest::newRow(QByteArray(name + " back, overlong").constData()) << back << page << true << theme.GetTemplate();
    }
}

void TestTextFit::boxesFitWithinTheirLimits()
{
    QFETCH(QString, templatePath);
    QFETCH(QSize, page);
    QFETCH(bool, overlong);
    QFETCH(QString, otherPage);
    const Listing& listing = overlong ? kOverlong : kLong;

    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = listing.caption;
    flyer.m_strPrice = listing.price;
    flyer.m_strAddress = listing.address;
    flyer.m_strCityStateZip = listing.cityStateZip;
    flyer.m_strDescription = listing.description;
    const auto fitReport = [&](const QString& path, QList<TextFit::Box>& boxes) {
        QString text;
        QVERIFY(LoadTemplate(path, text));
        const QString merged = MergeTemplate(text, TestSupport::Request(flyer, true), m_settings,
                                             MakeMergeLook(QStringLiteral("Tahoma"), 0x00B16300));
        QImage image;
        QString error;
        QVERIFY2(m_renderer.Render(merged, page.width(), page.height(), image, &error), qPrintable(error));
        boxes = TextFit::ParseReport(m_renderer.LastFitReport());
    };
    QList<TextFit::Box> boxes;
    fitReport(templatePath, boxes);
    QList<TextFit::Box> otherBoxes;
    if (!otherPage.isEmpty())
        fitReport(otherPage, otherBoxes);

    // Every flyer marks its address, MLS number, price, features and agent block; all but the
    // sidebar themes (whose caption is a picture) the caption too. A social picture shows less:
    // the caption, the address and the price at least.
    QStringList names;
    for (const TextFit::Box& box : boxes + otherBoxes)
        names.append(box.name);
    // A two-sided card tells all that a flyer tells, over its two pages.
    const bool flyerPage = PageFormatName(page).startsWith(QLatin1String("letter")) || !otherPage.isEmpty();
    const QStringList marked = flyerPage ? QStringList{"address", "mls", "price", "features", "contact", "description"}
                                         : QStringList{"caption", "address", "price"};
    for (const QString& name : marked)
        QVERIFY2(names.contains(name), qPrintable(names.join(QLatin1Char(','))));

    for (const TextFit::Box& box : boxes) {
        const QByteArray what = QByteArray(box.name.toUtf8() + " " + QByteArray::number(box.size) + "px of " +
                                           QByteArray::number(box.base) + "px, limit " + QByteArray::number(box.limit) +
                                           ", kept " + QByteArray::number(box.kept) + " of " +
                                           QByteArray::number(box.chars) + (box.cut ? " (cut)" : ""));
        // The status and brokerage boxes are not drawn at all when they have nothing to say.
        QVERIFY2(box.shown || box.chars == 0, what.constData());
        QVERIFY2(box.limit > 0.4 && box.limit <= 1.0, what.constData());
        QVERIFY2(box.size >= box.base * box.limit - 0.01 && box.size <= box.base + 0.001, what.constData());
        if (!box.fits) {
            // Only text that does not fit even at the limit is cut, and never without a word: the
            // ellipsis shows and the report says how much is left.
            QVERIFY2(overlong, what.constData());
            QVERIFY2(box.size < box.base * box.limit + box.base * 0.021, what.constData());
            QVERIFY2(box.cut && box.kept > 0 && box.kept < box.chars, what.constData());
        } else {
            QVERIFY2(!box.cut && box.kept == box.chars, what.constData());
        }
        if (box.name == QLatin1String("description") && overlong)
            QVERIFY2(box.cut, what.constData());
    }
    if (!overlong) {
        // The caption of the issue no longer loses its words in any theme.
        for (const TextFit::Box& box : boxes)
            QVERIFY2(box.fits, qPrintable(box.name));
    }
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
