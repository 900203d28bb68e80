#pragma once

#include <QString>

class QWidget;

// The About menu's "Check for Updates": asks the maker's site for the published version and tells the
// user in a message box owned by owner; offers the download page when a newer version is out.
// While the page downloads, the window goes on working. A second call while one runs does nothing.
void RunUpdateCheck(QWidget* owner);
// The same against a given own version and site (tests, and builds that carry their own identity).
void RunUpdateCheck(QWidget* owner, const QString& strOwnVersion, const QString& strSiteUrl);
