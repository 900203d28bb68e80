#include "compose/loadpolicy.h"

#include "settings/workingfolders.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// A link inside a root may point anywhere: only where it leads counts.
QString CanonicalPath(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

QString LocalPath(const QUrl& url)
{
    if (!url.isLocalFile())
        return QString();
    // file://server/share/... is somebody else's machine, never one of our folders.
    if (!url.host().isEmpty() && url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return QString();
    QUrl local = url;
    local.setHost(QString());
    return local.toLocalFile();
}

bool HoldsHome(const QString& canonicalFolder)
{
    const QString home = CanonicalPath(QDir::homePath());
    return !home.isEmpty() && (home.compare(canonicalFolder, kPathCase) == 0 ||
                               home.startsWith(canonicalFolder + QLatin1Char('/'), kPathCase));
}

} // namespace

QString PictureOutsideText(const QString& name)
{
    return QStringLiteral("%1 lies outside the folders a flyer may show pictures from.").arg(name);
}

QStringList PageLoadRoots(const CAppSettings& settings, const QString& templatePath, const QString& projectFolder)
{
    QStringList roots;
    auto add = [&roots](const QString& path) {
        if (!path.isEmpty() && !roots.contains(path))
            roots.append(path);
    };
    auto parentOf = [](const QString& path) { return path.isEmpty() ? QString() : QFileInfo(path).absolutePath(); };

    add(parentOf(templatePath));
    add(parentOf(settings.Path2BlankImage)); // the installed data folder
    add(settings.Path2Themes);
    add(settings.Path2SampleData);
    add(projectFolder);
    add(settings.strSavePath);
    add(settings.Path2TempFolder);
    // The per-user cache holds print copies and, on a system-wide install, the covers.
    add(WorkingFolders::UserCacheRoot());
    add(settings.Path2ThemeCovers);
    return roots;
}

void CXPageLoadPolicy::SetRoots(const QStringList& roots)
{
    m_roots.clear();
    for (const QString& root : roots) {
        const QString canonical = CanonicalPath(root);
        // A template, project or sheet at the top of the disk or of the home folder must not open
        // all of it (~/.ssh included).
        if (canonical.isEmpty() || !QFileInfo(canonical).isDir() || QDir(canonical).isRoot() || HoldsHome(canonical))
            continue;
        if (!m_roots.contains(canonical, kPathCase))
            m_roots.append(canonical);
    }
}

void CXPageLoadPolicy::SetOwnPage(const QString& path)
{
    m_strOwnPage = CanonicalPath(path);
}

bool CXPageLoadPolicy::IsBelowRoot(const QString& canonicalPath) const
{
    for (const QString& root : m_roots) {
        if (canonicalPath.size() > root.size() + 1 && canonicalPath.startsWith(root, kPathCase) &&
            canonicalPath.at(root.size()) == QLatin1Char('/'))
            return true;
    }
    return false;
}

bool CXPageLoadPolicy::MayReadPicture(const QString& path) const
{
    const QString canonical = CanonicalPath(path);
    return !canonical.isEmpty() && QFileInfo(canonical).isFile() && IsBelowRoot(canonical);
}

bool CXPageLoadPolicy::IsAllowed(const QUrl& url, PageResourceKind kind) const
{
    const QString scheme = url.scheme().toLower();
    if (kind == PageResourceKind::MainFrame) {
        if (scheme == QLatin1String("data"))
            return true;
        if (scheme == QLatin1String("about"))
            return url.path() == QLatin1String("blank");
        if (scheme == QLatin1String("file")) {
            const QString path = CanonicalPath(LocalPath(url));
            return !path.isEmpty() && path.compare(m_strOwnPage, kPathCase) == 0;
        }
        return false;
    }
    if (kind == PageResourceKind::Other)
        return false;
    if (scheme == QLatin1String("data"))
        return true;
    if (scheme != QLatin1String("file"))
        return false;
    return MayReadPicture(LocalPath(url));
}
