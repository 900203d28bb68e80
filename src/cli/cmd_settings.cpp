#include "settings/workingfolders.h"
#include "cli/clicommand.h"
#include "settings/appsettings.h"

#include <QJsonObject>

namespace {

int Run(const QStringList& args)
{
    if (!args.isEmpty())
        return Cli::Usage(QStringLiteral("settings takes no arguments"));

    CAppSettings settings;
    WorkingFolders::InitAppSettings(settings);
    // A first run that could not create the store has nothing behind what it prints.
    if (!settings.SaveErrorText().isEmpty())
        return Cli::Fail(settings.SaveErrorText());

    QJsonObject out;
    for (const CAppSettings::NamedValue& value : settings.PersistedValues()) {
        if (value.value.typeId() == QMetaType::QString)
            out.insert(value.name, value.value.toString());
        else
            out.insert(value.name, value.value.toLongLong());
    }
    out.insert(QStringLiteral("paths"), QJsonObject{
                                            {QStringLiteral("strSavePath"), settings.strSavePath},
                                            {QStringLiteral("strPath2FlyerProjects"), settings.strPath2FlyerProjects},
                                            {QStringLiteral("Path2TempFolder"), settings.Path2TempFolder},
                                            {QStringLiteral("Path2Themes"), settings.Path2Themes},
                                            {QStringLiteral("Path2ThemeCovers"), settings.Path2ThemeCovers},
                                            {QStringLiteral("Path2SampleData"), settings.Path2SampleData},
                                            {QStringLiteral("Path2Help"), settings.Path2Help},
                                            {QStringLiteral("Path2BlankImage"), settings.Path2BlankImage},
                                        });
    Cli::PrintJson(out);
    return Cli::Done;
}

Cli::Registrar reg("settings", "settings", &Run);

} // namespace
