#include "compose/themecover.h"

#include "catalogue/themetemplateinfo.h"
#include "compose/loadpolicy.h"
#include "compose/pagerenderer.h"
#include "compose/templatemerge.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/sidebarimage.h"
#include "settings/appsettings.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace {

constexpr int kCoverBox = 92;
constexpr int kLargeCoverBox = 844;
// The text chunk of a cover made with the agent's profile.
constexpr char kProfileKey[] = "Listora-Profile";

QString JoinPath(const QString& folder, const QString& name)
{
    QString base = QDir::fromNativeSeparators(folder);
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QLatin1Char('/') + name;
}

bool SaveCover(const QImage& image, const QString& path, QString* error)
{
    QByteArray format;
    if (GetEncoderClsid(GetMimeType(GetImageType(path)), &format) < 0)
        format = "png";
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written whole or not at all: a cut-off file would count as an existing cover for good.
    return WriteImageFile(image, path, format, -1, error);
}

// A digest of what a cover made with the agent's profile shows: its merged page and the profile's
// pictures, which are replaced under the same names. Empty when the cover shows the sample agent.
QString ProfileStamp(const CXThemeTemplateInfo& theme, const CAppSettings& settings, const QString& templateText)
{
    if (!ProfileHasName(settings))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(MergeCoverTemplate(templateText, theme, settings, QString()).toUtf8());
    for (const QString& name : {QStringLiteral("MyPicture.jpg"), QStringLiteral("Logo.jpg")}) {
        const QFileInfo picture(QDir(settings.strSavePath).filePath(name));
        const QByteArray stamp = QByteArray::number(picture.size()) + ':' +
                                 QByteArray::number(picture.exists() ? picture.lastModified().toMSecsSinceEpoch() : 0) +
                                 ';';
        hash.addData(stamp);
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

bool ThemeCoverIsDue(const CXThemeTemplateInfo& theme, const CAppSettings& settings)
{
    const QString target = ThemeCoverPath(theme, settings);
    if (!IsThemeCoverCurrent(target, theme))
        return true;
    const QString madeWith = QImageReader(target).text(QString::fromLatin1(kProfileKey));
    // Installed covers and those of the sample agent carry no stamp: they stay until their template changes.
    if (madeWith.isEmpty())
        return false;
    QString templateText;
    return LoadTemplate(theme.GetTemplate(), templateText) && ProfileStamp(theme, settings, templateText) != madeWith;
}

QString ThemeCoverPath(const CXThemeTemplateInfo& theme, const CAppSettings& settings)
{
    return JoinPath(settings.Path2ThemeCovers, theme.GetCover());
}

QString LargeThemeCoverPath(const CXThemeTemplateInfo& theme, const QString& folder)
{
    return JoinPath(folder, theme.GetName() + QStringLiteral(".png"));
}

bool IsThemeCoverCurrent(const QString& path, const CXThemeTemplateInfo& theme)
{
    const QFileInfo cover(path);
    const QFileInfo page(theme.GetTemplate());
    return cover.exists() && (!page.exists() || cover.lastModified() >= page.lastModified());
}

QString DeveloperCoverFolder()
{
    return qEnvironmentVariable("LISTORA_DEVELOPER_DIR");
}

CoverResult PrepareThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CCoverJob& job,
                              const QString& largeFolder)
{
    job = CCoverJob();
    const QString target =
        largeFolder.isEmpty() ? ThemeCoverPath(theme, settings) : LargeThemeCoverPath(theme, largeFolder);
    if (largeFolder.isEmpty() ? !ThemeCoverIsDue(theme, settings) : IsThemeCoverCurrent(target, theme))
        return CoverResult::Exists;
    const CoverResult merged = MergeThemeCover(theme, settings, job);
    job.target = target;
    job.large = !largeFolder.isEmpty();
    if (job.large)
        job.profileStamp.clear();
    return merged;
}

CoverResult MergeThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CCoverJob& job)
{
    job = CCoverJob();
    job.target = ThemeCoverPath(theme, settings);
    QString templateText;
    if (!LoadTemplate(theme.GetTemplate(), templateText))
        return CoverResult::NoTemplate;

    // The cover shows the theme's own look, so its caption picture uses the theme's typeface
    // rather than whatever font the window happens to have selected.
    const SidebarKind sidebar = SidebarKindFor(theme.GetTemplate());
    if (sidebar != SidebarKind::None) {
        job.sidebarImage = CreateSidebarImage(CPreviewData::Get().caption, sidebar == SidebarKind::Outlined,
                                              theme.GetTypeface(), settings.Path2TempFolder);
    }
    job.page = MergeCoverTemplate(templateText, theme, settings, job.sidebarImage);
    job.profileStamp = ProfileStamp(theme, settings, templateText);
    return CoverResult::Ready;
}

QImage ReduceCover(const QImage& rendered, bool large)
{
    const int box = large ? kLargeCoverBox : kCoverBox;
    const QSize size = ResizeProportionally(rendered.width(), rendered.height(), QRect(0, 0, box, box));
    QImage cover = ScaleBicubic(rendered, size).convertToFormat(QImage::Format_ARGB32);
    if (cover.isNull())
        return cover;
    cover.setDotsPerMeterX(3780); // 96 dots per inch
    cover.setDotsPerMeterY(3780);
    if (large) {
        QPainter painter(&cover);
        painter.setPen(QPen(Qt::black, 1.0));
        const int w = cover.width();
        const int h = cover.height();
        painter.drawLine(0, 0, w, 0);
        painter.drawLine(0, h - 1, w, h - 1);
        painter.drawLine(0, 0, 0, h);
        painter.drawLine(w - 1, 0, w - 1, h);
    }
    return cover;
}

CoverResult FinishThemeCover(const CCoverJob& job, const QImage& rendered, QString* error)
{
    DiscardThemeCover(job);
    QImage cover = ReduceCover(rendered, job.large);
    if (!cover.isNull() && !job.profileStamp.isEmpty())
        cover.setText(QString::fromLatin1(kProfileKey), job.profileStamp);
    if (cover.isNull()) {
        if (error)
            *error = QStringLiteral("no picture to reduce for %1").arg(QDir::toNativeSeparators(job.target));
        return CoverResult::RenderFailed;
    }
    return SaveCover(cover, job.target, error) ? CoverResult::Made : CoverResult::SaveFailed;
}

void DiscardThemeCover(const CCoverJob& job)
{
    if (!job.sidebarImage.isEmpty())
        QFile::remove(job.sidebarImage);
}

namespace {

CoverResult MakeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CXPageRenderer& renderer,
                      const QString& largeFolder, QString* error)
{
    CCoverJob job;
    const CoverResult prepared = PrepareThemeCover(theme, settings, job, largeFolder);
    if (prepared != CoverResult::Ready)
        return prepared;
    QImage rendered;
    QString reason;
    renderer.SetLoadRoots(PageLoadRoots(settings, theme.GetTemplate(), QString()));
    const QSize page = theme.GetPageSize();
    if (!renderer.Render(job.page, page.width(), page.height(), rendered, &reason)) {
        DiscardThemeCover(job);
        if (error)
            *error = QStringLiteral("cannot render the cover of %1: %2").arg(theme.GetName(), reason);
        return CoverResult::RenderFailed;
    }
    return FinishThemeCover(job, rendered, error);
}

} // namespace

CoverResult CreateThemeCover(const CXThemeTemplateInfo& theme, const CAppSettings& settings, CXPageRenderer& renderer,
                             QString* error)
{
    return MakeCover(theme, settings, renderer, QString(), error);
}

CoverResult CreateLargeThemeCover(const CXThemeTemplateInfo& theme, const QString& folder, const CAppSettings& settings,
                                  CXPageRenderer& renderer, QString* error)
{
    if (folder.isEmpty())
        return CoverResult::Exists;
    return MakeCover(theme, settings, renderer, folder, error);
}
