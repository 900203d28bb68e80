#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// The help pages are plain HTML files in the data folder's Help folder (CAppSettings::Path2Help),
// shown in the user's own browser. web/ui/helpviewer.h opens them.
namespace HelpTopic {

inline constexpr char Default[] = "index.htm";
inline constexpr char Tutorial[] = "Tutorial.htm";
inline constexpr char TutorialNewFlyerAnchor[] = "newFlyer";
inline constexpr char Opening[] = "Opening.htm";
inline constexpr char OptionsGeneral[] = "Options_General.htm";
inline constexpr char OptionsMyInformation[] = "Options_MyInformation.htm";

// Every topic the program opens, with its anchor where it has one ("Tutorial.htm#newFlyer").
QStringList ProgramTopics();

// The page's path in strHelpFolder; an empty topic is the contents page. Empty when the topic is not a
// plain file name (a path or "..") so that nothing outside the help folder can be opened.
QString TopicPath(const QString& strHelpFolder, const QString& strTopic);
// The page as a file: URL with the anchor as its fragment; empty like TopicPath.
QUrl TopicUrl(const QString& strHelpFolder, const QString& strTopic, const QString& strAnchor = {});

// Desktop launchers drop the fragment of a file: URL, so an anchored topic is opened through a small
// local page that forwards the browser to the full address. This is that page.
QString RedirectPage(const QUrl& target);
// A file name for that page that is safe in any folder.
QString RedirectFileName(const QString& strTopic, const QString& strAnchor);

} // namespace HelpTopic
