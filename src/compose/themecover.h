#pragma once

#include <QImage>
#include <QString>

class CAppSettings;
class CXPageRenderer;
class CXThemeTemplateInfo;

// Cover pictures of the theme list: the theme's template filled with the preview data in the
// theme's own typeface and colour, rendered as a flyer and reduced. A cover is made once; an
// existing file is rebuilt only when it shows the agent's profile and that profile has changed,
// so deleting it is how a cover is renewed.

enum class CoverResult
{
    Exists, // nothing to do
    Ready,  // a job was prepared (PrepareThemeCover only)
    Made,
    NoTemplate, // the template cannot be read: skipped
    RenderFailed,
    SaveFailed
};

struct CCoverJob
{
    QString page;         // the merged cover page, to be rendered at 816 x 1056
    QString target;       // where the picture goes
    QString sidebarImage; // scratch picture the page refers to, removed when the job ends
    bool large = false;   // the framed maintenance picture instead of the thumbnail
    QString profileStamp; // what of the agent's profile the cover shows; empty for the sample agent
};

// <covers folder>/<cover file> of the record.
QString ThemeCoverPath(const CXThemeTemplateInfo& theme, const CAppSettings& settings);
// <folder>/<theme name>.png.
QString LargeThemeCoverPath(const CXThemeTemplateInfo& theme, const QString& folder);
// True when the cover at path was made from the theme's template as it is now: a cover older than its
// template shows a page the theme no longer draws, and is made again.
bool IsThemeCoverCurrent(const QString& path, const CXThemeTemplateInfo& theme);
// The folder for large covers, from LISTORA_DEVELOPER_DIR; empty (no large covers) when unset.
QString DeveloperCoverFolder();

// Whether the theme's cover is to be made: it is missing, or it shows the agent's profile and that
// profile (name, contact block, colours, picture or logo) has changed since.
bool ThemeCoverIsDue(const CXThemeTemplateInfo& theme, const CAppSettings& settings);

// The two halves, for callers that render asynchronously: Prepare gives Ready and a job when a
// cover is due; Finish reduces the rendered page into the target and removes the job's scratch.
CoverResult PrepareThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CCoverJob& job,
                              const QString& largeFolder = QString());
CoverResult FinishThemeCover(const CCoverJob& job, const QImage& rendered, QString* error = nullptr);
// The cover page of a theme whether or not its picture exists (NoTemplate or Ready).
CoverResult MergeThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CCoverJob& job);
// Drops a job whose render failed or was abandoned.
void DiscardThemeCover(const CCoverJob& job);

// Both halves with a blocking render.
CoverResult CreateThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CXPageRenderer& renderer,
                             QString* error = nullptr);
CoverResult CreateLargeThemeCover(const CXThemeTemplateInfo& theme, const QString& folder, const CAppSettings& settings,
                                  CXPageRenderer& renderer, QString* error = nullptr);

// The reduction itself: fitted into 92 x 92 (71 x 92 for a letter page), or 844 x 844 with a
// one-pixel black frame for the large picture; 32-bit ARGB at 96 dpi.
QImage ReduceCover(const QImage& rendered, bool large);
