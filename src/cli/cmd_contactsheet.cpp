#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/loadpolicy.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "formats/colorref.h"
#include "flyer/flyerrequest.h"
#include "imaging/imagelibrary.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>

#include <optional>

// Every installed theme rendered with the same listing, side by side on one picture, so the whole
// collection can be looked over at once.

namespace {

// Tiles have the Letter page's proportions; a page of another shape is fitted into its tile.
constexpr int kPageWidth = kLetterPage.width();
constexpr int kPageHeight = kLetterPage.height();
constexpr int kGap = 24;
constexpr int kLabelHeight = 34;

struct Tile
{
    QString name;
    int photos = 0;
    QImage page; // null when the theme could not be rendered
};

// A file name that any file system takes, from a theme name.
QString PageFileName(const QString& themeName)
{
    QString name = themeName;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9 ._-]")), QStringLiteral("_"));
    return name.trimmed() + QStringLiteral(".png");
}

bool WritePng(const QImage& image, const QString& path, QString& error)
{
    return WriteImageFile(image, path, "png", -1, &error);
}

QImage ComposeSheet(const QList<Tile>& tiles, int columns, int tileWidth)
{
    const int tileHeight = tileWidth * kPageHeight / kPageWidth;
    const int rows = (int(tiles.size()) + columns - 1) / columns;
    QImage sheet(kGap + columns * (tileWidth + kGap), kGap + rows * (tileHeight + kLabelHeight + kGap),
                 QImage::Format_RGB32);
    sheet.fill(QColor(0x5a, 0x64, 0x70));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);

    for (qsizetype i = 0; i < tiles.size(); ++i) {
        const Tile& tile = tiles.at(i);
        const QRect box(kGap + int(i % columns) * (tileWidth + kGap),
                        kGap + int(i / columns) * (tileHeight + kLabelHeight + kGap), tileWidth, tileHeight);
        if (tile.page.isNull()) {
            painter.fillRect(box, QColor(0xf8, 0xd7, 0xd3));
            painter.setPen(QColor(0xa0, 0x1c, 0x10));
            painter.drawText(box, Qt::AlignCenter, QStringLiteral("cannot render"));
        } else {
            const QImage fitted = tile.page.scaled(box.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            painter.drawImage(box.left() + (box.width() - fitted.width()) / 2,
                              box.top() + (box.height() - fitted.height()) / 2, fitted);
        }
        painter.setPen(Qt::white);
        const QString label = tile.name + QStringLiteral("  (%1)").arg(tile.photos);
        const QRect labelBox(box.left(), box.bottom() + 1, box.width(), kLabelHeight);
        painter.drawText(labelBox, Qt::AlignHCenter | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(label, Qt::ElideRight, box.width()));
    }
    return sheet;
}

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    const QStringList valueOptions = {QStringLiteral("out"),   QStringLiteral("project"), QStringLiteral("font"),
                                      QStringLiteral("color"), QStringLiteral("pages"),   QStringLiteral("columns"),
                                      QStringLiteral("width")};
    if (!Cli::ParseOptions(args, valueOptions, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("contact-sheet takes no argument %1").arg(options.positional.first()));
    for (const QString& name : valueOptions) {
        if (options.All(name).size() > 1)
            return Cli::Usage(QStringLiteral("--%1 given more than once").arg(name));
    }
    const QString out = options.Value(QStringLiteral("out"));
    if (out.isEmpty())
        return Cli::Usage(QStringLiteral("contact-sheet needs --out FILE.png"));

    auto readNumber = [&](const QString& name, int fallback, int low, int high, int& value) {
        value = fallback;
        if (!options.Has(name))
            return true;
        bool ok = false;
        value = options.Value(name).toInt(&ok);
        return ok && value >= low && value <= high;
    };
    int columns = 0;
    int tileWidth = 0;
    if (!readNumber(QStringLiteral("columns"), 4, 1, 20, columns))
        return Cli::Usage(QStringLiteral("--columns needs a whole number from 1 to 20"));
    if (!readNumber(QStringLiteral("width"), 272, 50, kPageWidth, tileWidth))
        return Cli::Usage(QStringLiteral("--width needs a tile width from 50 to %1 pixels").arg(kPageWidth));
    std::optional<quint32> color;
    if (options.Has(QStringLiteral("color"))) {
        quint32 value = 0;
        if (!ParseHexColor(options.Value(QStringLiteral("color")), value))
            return Cli::Usage(
                QStringLiteral("--color needs #RRGGBB, not \"%1\"").arg(options.Value(QStringLiteral("color"))));
        color = value;
    }

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);

    CFlyerData flyer;
    flyer.Reset();
    CListingExtras extras;
    const bool projectMode = options.Has(QStringLiteral("project"));
    if (projectMode) {
        const QString path = options.Value(QStringLiteral("project"));
        const FlyerFileStatus status = flyer.Load(path);
        if (status.kind == FlyerFileStatus::OpenFailed)
            return Cli::Fail(QStringLiteral("cannot open the project file %1").arg(QDir::toNativeSeparators(path)));
        if (!status.IsOk())
            return Cli::Fail(status.text);
        const CListingExtras::Status extrasStatus = extras.Load(flyer.GetFolder(), path);
        if (extrasStatus.kind == CListingExtras::Damaged || extrasStatus.stale)
            Cli::Warn(extrasStatus.text);
    }

    const QString pagesFolder = options.Value(QStringLiteral("pages"));
    if (options.Has(QStringLiteral("pages")) && (pagesFolder.isEmpty() || !QDir().mkpath(pagesFolder)))
        return Cli::Fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(pagesFolder)));

    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
    if (catalogue.size() == 0)
        return Cli::Fail(QStringLiteral("no themes in the catalogue %1")
                             .arg(QDir::toNativeSeparators(ThemeInfo::IniPath(settings.Path2Themes))));

    CXHTML2Image renderer;
    renderer.WarmUp();

    QList<Tile> tiles;
    QStringList failed;
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        const CXThemeTemplateInfo& theme = catalogue.at(i);
        Tile tile{theme.GetName(), theme.GetPhotos(), QImage()};
        const QString font =
            options.Has(QStringLiteral("font")) ? options.Value(QStringLiteral("font")) : theme.GetTypeface();
        QString templateText;
        if (!LoadTemplate(theme.GetTemplate(), templateText)) {
            error = QStringLiteral("cannot read the template %1").arg(QDir::toNativeSeparators(theme.GetTemplate()));
        } else {
            // The theme's own look unless one is given, so that every theme shows as it was designed.
            FlyerRequest request;
            request.look = FlyerLook{theme.GetName(), theme.GetTemplate(), font, color ? *color : theme.GetColor()};
            request.record = flyer;
            request.extras = extras;
            request.mode = projectMode ? FlyerMode::Project : FlyerMode::Preview;
            request.pageSize = theme.GetPageSize();
            const CFlyerPage page = ComposeFlyerPage(templateText, request, settings);
            renderer.SetLoadRoots(
                PageLoadRoots(settings, theme.GetTemplate(), projectMode ? flyer.GetFolder() : QString()));
            if (!renderer.Render(page.page, request.pageSize.width(), request.pageSize.height(), tile.page, &error))
                tile.page = QImage();
            if (!page.sidebarImage.isEmpty())
                QFile::remove(page.sidebarImage);
        }

        if (tile.page.isNull()) {
            failed.append(theme.GetName());
            Cli::Fail(theme.GetName() + QStringLiteral(": ") + error); // reported now, the sheet is still made
        } else if (!pagesFolder.isEmpty()) {
            const QString path = QDir(pagesFolder).filePath(PageFileName(theme.GetName()));
            if (!WritePng(tile.page, path, error))
                return Cli::Fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), error));
        }
        tiles.append(tile);
    }

    if (!WritePng(ComposeSheet(tiles, columns, tileWidth), out, error))
        return Cli::Fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(out), error));
    if (!failed.isEmpty())
        return Cli::Fail(QStringLiteral("%1 of %2 themes could not be rendered: %3")
                             .arg(failed.size())
                             .arg(tiles.size())
                             .arg(failed.join(QStringLiteral(", "))));
    return Cli::Done;
}

Cli::Registrar reg("contact-sheet",
                   "contact-sheet --out FILE.png [--project FILE] [--font FAMILY] [--color #RRGGBB] [--pages DIR] "
                   "[--columns N] [--width PIXELS]",
                   &Run);

} // namespace
