#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class CAppSettings;

// What a flyer page may load. Listing and profile texts go into the page as HTML, so a page is
// only as trustworthy as a project or spreadsheet somebody else made: it may load what a flyer is
// made of (pictures, fonts, style sheets) from the program's and the user's own flyer folders, and
// nothing else from anywhere.

enum class PageResourceKind
{
    MainFrame, // the page itself
    Picture,
    Font,
    StyleSheet,
    Other // frames, objects, embeds, media, scripts, fetches, prefetches, icons ...
};

// The folders below which a page of this template and project may load: the template's folder,
// the installed data, the project's folder, "My Listora", the temporary folder and the per-user
// cache. projectFolder may be empty (the preview and the covers).
QStringList PageLoadRoots(const CAppSettings& settings, const QString& templatePath, const QString& projectFolder);

// "<name> lies outside the folders a flyer may show pictures from."
QString PictureOutsideText(const QString& name);

class CXPageLoadPolicy
{
public:
    // Folders that do not exist, the file system's root and the home folder (or one above it) are
    // left out; links are resolved.
    void SetRoots(const QStringList& roots);
    QStringList Roots() const { return m_roots; }
    // The page file the renderer writes itself for pages too large to pass inline.
    void SetOwnPage(const QString& path);

    bool IsAllowed(const QUrl& url, PageResourceKind kind) const;
    // The same rule for a picture the program reads itself (print copies, preflight, batch photos):
    // a file, below a root once links are resolved.
    bool MayReadPicture(const QString& path) const;

private:
    bool IsBelowRoot(const QString& canonicalPath) const;

    QStringList m_roots; // canonical, without a trailing separator
    QString m_strOwnPage;
};
