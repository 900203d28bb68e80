#include "settings/appinfo.h"

#include "buildconfig.h"

#include <QByteArray>

namespace AppInfo {

QString DisplayName()
{
    return QStringLiteral("Listora");
}

QString MakerName()
{
    return QStringLiteral("Tarnwick");
}

QString ProductId()
{
    return QStringLiteral("Listora");
}

int VersionPart(int index)
{
    static constexpr int parts[4] = {LISTORA_VERSION_MAJOR + 0, LISTORA_VERSION_MINOR + 0, LISTORA_VERSION_PATCH + 0,
                                     LISTORA_VERSION_TWEAK + 0};
    return (index >= 0 && index < 4) ? parts[index] : 0;
}

QString VersionString()
{
    return QString::asprintf("%d.%d.%d.%d", VersionPart(0), VersionPart(1), VersionPart(2), VersionPart(3));
}

QString SiteUrl()
{
    const QByteArray fromEnv = qgetenv("LISTORA_SITE_URL");
    QString url = fromEnv.isEmpty() ? QStringLiteral(LISTORA_SITE_URL_DEFAULT) : QString::fromUtf8(fromEnv);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

} // namespace AppInfo
