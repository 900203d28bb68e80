#pragma once

#include <QString>

class CAppSettings;
class QWidget;

// Shows a help page (HelpTopic::Opening, ...; empty for the contents) in the user's browser, at the
// anchor when one is given. Tells the user in a message box when the page is missing or no browser
// could be started; returns whether the page was handed to the browser.
bool OpenHelpTopic(QWidget* owner, const CAppSettings& settings, const QString& strTopic = {},
                   const QString& strAnchor = {});
// The same with the folders given directly: the help folder, and where the forwarding page for an
// anchor may be written (the temporary folder is used when it is empty).
bool OpenHelpTopic(QWidget* owner, const QString& strHelpFolder, const QString& strScratchFolder,
                   const QString& strTopic, const QString& strAnchor);
