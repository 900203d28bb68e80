#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

namespace {

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    QStringList valueOptions = Cli::FlyerSelectorOptions();
    valueOptions.append(QStringLiteral("out"));
    if (!Cli::ParseOptions(args, valueOptions, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("render takes no argument %1").arg(options.positional.first()));
    if (options.All(QStringLiteral("out")).size() != 1 || options.Value(QStringLiteral("out")).isEmpty())
        return Cli::Usage(QStringLiteral("render needs one --out FILE.png"));
    const QString out = options.Value(QStringLiteral("out"));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    Cli::FlyerSelection selection;
    if (const int rc = Cli::SelectFlyer(options, settings, selection); rc != Cli::Done)
        return rc;

    // Start the engine while the page is being merged.
    CXHTML2Image renderer;
    renderer.WarmUp();

    CFlyerPage page;
    if (const int rc = Cli::ComposeSelectedFlyer(selection, settings, page); rc != Cli::Done)
        return rc;
    QImage flyer;
    const bool rendered = renderer.Render(page.page, 816, 1056, flyer, &error);
    if (!page.sidebarImage.isEmpty())
        QFile::remove(page.sidebarImage);
    if (!rendered)
        return Cli::Fail(QStringLiteral("cannot render the flyer: %1").arg(error));

    QSaveFile file(out);
    QImageWriter writer(&file, "png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(flyer) || !file.commit()) {
        const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        return Cli::Fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(out), reason));
    }
    return Cli::Done;
}

Cli::Registrar reg("render",
                   "render (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "--out FILE.png",
                   &Run);

} // namespace
