#pragma once

#include "controls/messageboxtypes.h"

#include <QString>

#include <array>

// The check for a newer release against the maker's site, without any window: the main window shows
// what CheckForUpdates decides (see web/ui/updatecheckui.h).
namespace UpdateCheck {

enum class Outcome
{
    Latest,           // the published version is ours
    NewerAvailable,   // offer the download page
    DevelopmentBuild, // ours compares higher than the published one
    NotCompleted,     // no answer, or an answer without a version: nothing to compare against
};

struct Result
{
    Outcome outcome = Outcome::NotCompleted;
    QString strOwnVersion;               // as "%d.%d.%d.%d"
    QString strRemoteVersion;            // the VERSION element as published
    QString strReleased;                 // the LASTUPDATED element as published
    std::array<int, 4> remoteParts = {}; // the published version read as four numbers
    QString strProblem;                  // why the check could not be completed
};

// Message-box type words: information with OK, information with Yes and No, exclamation with OK.
constexpr unsigned TypeInformation = unsigned(MsgBox::IconInformation) | unsigned(MsgBox::OK);
constexpr unsigned TypeQuestion = unsigned(MsgBox::IconInformation) | unsigned(MsgBox::YesNo);
constexpr unsigned TypeWarning = unsigned(MsgBox::IconExclamation) | unsigned(MsgBox::OK);

// The text between the first "<name>" and the next "</name>" after it; a null string when either is missing.
QString ElementText(const QString& strText, const QString& strName);
// Reads "%d.%d.%d.%d" the way scanf would: fields after the first one that does not parse stay 0.
std::array<int, 4> ParseVersion(const QString& strVersion);
// The comparison key: the version without its dots, trimmed. Keys compare as text, not as numbers.
QString VersionKey(const QString& strVersion);

QString CheckUrl(const QString& strSiteUrl);
QString DownloadPageUrl(const QString& strSiteUrl);

// Decides the outcome from a finished download (bDownloaded false: it failed, strDownloadError says why).
Result Evaluate(const QString& strOwnVersion, bool bDownloaded, const QString& strAnswer,
                const QString& strDownloadError = {});

// Downloads the status page from strSiteUrl and evaluates it. Keeps the event loop running meanwhile.
Result CheckForUpdates(const QString& strOwnVersion, const QString& strSiteUrl, const bool* pCancel = nullptr);

QString Caption();
QString MessageText(const Result& result);
unsigned MessageType(const Result& result);

} // namespace UpdateCheck
