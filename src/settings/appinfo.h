#pragma once

#include <QString>

// The program's identity: every display name, maker name and version string comes from here.
namespace AppInfo {

QString DisplayName();   // "Listora": window and message-box captions
QString MakerName();     // "Tarnwick": settings organisation
QString ProductId();     // "Listora": settings application, file names
QString VersionString(); // "%d.%d.%d.%d" from the build's project() version
int VersionPart(int index);
QString SiteUrl(); // the maker's site, LISTORA_SITE_URL overrides the build setting

} // namespace AppInfo
