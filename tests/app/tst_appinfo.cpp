#include "settings/appinfo.h"

#include <QTest>

class TestAppInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionHasFourParts()
    {
        const QStringList parts = AppInfo::VersionString().split(QLatin1Char('.'));
        QCOMPARE(parts.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(parts.at(i).toInt(), AppInfo::VersionPart(i));
    }

    void siteUrlFollowsEnvironment()
    {
        qputenv("LISTORA_SITE_URL", "http://127.0.0.1:8080/");
        QCOMPARE(AppInfo::SiteUrl(), QStringLiteral("http://127.0.0.1:8080"));
        qunsetenv("LISTORA_SITE_URL");
        QVERIFY(AppInfo::SiteUrl().startsWith(QLatin1String("http")));
    }
};

QTEST_GUILESS_MAIN(TestAppInfo)
#include "tst_appinfo.moc"
