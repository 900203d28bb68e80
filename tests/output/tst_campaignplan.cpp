#include "catalogue/themecatalogue.h"
#include "flyer/flyerdata.h"
#include "output/campaign.h"
#include "output/flyerexport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCampaignPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void baseNameLeavesRoomForEveryEnding_data();
    void baseNameLeavesRoomForEveryEnding();
    void planTakesEachFormatsTheme();
};

void TestCampaignPlan::baseNameLeavesRoomForEveryEnding_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("whole");
    QTest::newRow("short, with a dot") << QStringLiteral("12 St. Ann Rd.") << true;
    QTest::newRow("long") << QString(300, QLatin1Char('x')) << false;
    QTest::newRow("long, two bytes a letter") << QString(200, QChar(0x00E9)) << false;
}

// A long address must not leave the longest ending ("Postcard 6x4.pdf") without room in a file name,
// and every file of one listing shares its base.
void TestCampaignPlan::baseNameLeavesRoomForEveryEnding()
{
    QFETCH(QString, address);
    QFETCH(bool, whole);
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strMLS = QStringLiteral("ML81234");
    flyer.m_strAddress = address;
    flyer.m_strCityStateZip = QStringLiteral("Springfield, IL");
    const QString base = CampaignBaseName(flyer);
    const QString suggested = DefaultExportName(flyer).chopped(4);
    QVERIFY(suggested.startsWith(base));
    QCOMPARE(base == suggested, whole);
    for (const CampaignFormat format : AllCampaignFormats()) {
        const QString name = CampaignFileName(base, format);
        QVERIFY2(name.toUtf8().size() <= 255, qPrintable(name));
        QVERIFY(name.endsWith(CampaignFileExtension(format)));
    }
}

void TestCampaignPlan::planTakesEachFormatsTheme()
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Themes.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    const auto theme = [](const char* name, int width, int height, const char* family) -> QByteArray {
        return QByteArray("[") + name + "]\nName=" + name + "\nWidth=" + QByteArray::number(width) +
               "\nHeight=" + QByteArray::number(height) + "\nTemplate=t\\index.htm\nFamily=" + family + "\n";
    };
    ini.write("[Themes]\nCount=5\nTHEME01=Fam A\nTHEME02=Fam B\nTHEME03=Fam Square\nTHEME04=Other Square\n"
              "THEME05=Fam Wide\n");
    ini.write(theme("Fam A", 816, 1056, "Fam") + theme("Fam B", 816, 1056, "Fam") +
              theme("Fam Square", 1080, 1080, "Fam") + theme("Other Square", 1080, 1080, "Other") +
              theme("Fam Wide", 1056, 816, "Wide"));
    ini.close();
    CXThemeCatalogue catalogue;
    QVERIFY(catalogue.LoadAvailableThemes(dir.path()));

    QCOMPARE(FindCampaignFamily(catalogue, QStringLiteral(" fam ")), QStringLiteral("Fam"));
    QCOMPARE(FindCampaignFamily(catalogue, QStringLiteral("Nosuch")), QString());
    QCOMPARE(FamilyOfTheme(catalogue, QStringLiteral("Gone - KT999")), QStringLiteral("Gone"));
    QCOMPARE(CampaignFamilies(catalogue),
             QStringList({QStringLiteral("Fam"), QStringLiteral("Wide"), QStringLiteral("Other")}));

    const QList<CampaignFormat> formats = {CampaignFormat::Flyer, CampaignFormat::Press, CampaignFormat::Square,
                                           CampaignFormat::Story};
    // The project's own Letter theme when it is one of the family's; else the first.
    QList<CCampaignItem> plan =
        PlanCampaign(catalogue, QStringLiteral("Fam"), formats, QStringLiteral("B"), QStringLiteral("Fam B"));
    QCOMPARE(plan.size(), 4);
    QCOMPARE(plan.at(0).theme->GetName(), QStringLiteral("Fam B"));
    QCOMPARE(plan.at(1).theme->GetName(), QStringLiteral("Fam B"));
    QCOMPARE(plan.at(1).fileName, QStringLiteral("B - Flyer (press).pdf"));
    QCOMPARE(plan.at(2).theme->GetName(), QStringLiteral("Fam Square"));
    QVERIFY(!plan.at(3).theme);
    QCOMPARE(plan.at(3).problem, QStringLiteral("the family \"Fam\" has no story theme"));
    plan = PlanCampaign(catalogue, QStringLiteral("Fam"), formats, QStringLiteral("B"), QStringLiteral("Other Square"));
    QCOMPARE(plan.at(0).theme->GetName(), QStringLiteral("Fam A"));
    // A family drawn only across the sheet still has its flyer.
    plan = PlanCampaign(catalogue, QStringLiteral("Wide"), {CampaignFormat::Flyer}, QStringLiteral("B"));
    QCOMPARE(plan.at(0).theme->GetName(), QStringLiteral("Fam Wide"));
}

QTEST_GUILESS_MAIN(TestCampaignPlan)
#include "tst_campaignplan.moc"
