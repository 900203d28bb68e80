#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "imaging/imagelibrary.h"
#include "imaging/profilepictures.h"
#include "options/optionsrules.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

#include <optional>

namespace {

struct TextOption
{
    const char* name;
    QString CAppSettings::*member;
};

const TextOption kTexts[] = {
    {"name", &CAppSettings::FullName},
    {"credentials", &CAppSettings::Credentials},
    {"company", &CAppSettings::CompanyName},
    {"address", &CAppSettings::Address},
    {"city-state-zip", &CAppSettings::CityStateZipCode},
    {"phone1", &CAppSettings::Phone01},
    {"phone2", &CAppSettings::Phone02},
    {"email", &CAppSettings::EmailAddress},
    {"website", &CAppSettings::Website},
    {"disclaimer", &CAppSettings::Disclaimer},
    {"brokerage", &CAppSettings::BrokerageName},
    {"brokerage-phone", &CAppSettings::BrokeragePhone},
    {"licence", &CAppSettings::LicenceNumber},
};

// The chooser's checks, as My Information makes them: empty when the picture is taken.
QString CheckChosen(const QString& path, ProfilePicture which)
{
    QString refusal = CheckPictureFile(path, QFileInfo(path).fileName());
    if (!refusal.isEmpty())
        return refusal;
    const ImageInfo info = GetImageInfo(path);
    return which == ProfilePicture::Picture ? CheckMyPicture(path, info.ok, info.width, info.height, info.orientation)
                                            : CheckBusinessLogo(path, info.ok, info.width, info.height);
}

QJsonObject ProfileJson(const CAppSettings& settings)
{
    QJsonObject out;
    for (const TextOption& option : kTexts)
        out.insert(QString::fromLatin1(option.name), settings.*option.member);
    out.insert(QStringLiteral("phone1_label"), settings.PhoneLabel01);
    out.insert(QStringLiteral("phone2_label"), settings.PhoneLabel02);
    out.insert(QStringLiteral("include_logo"), settings.IncludeMyLogo == 1);
    out.insert(QStringLiteral("ad_rules"), settings.AdRulesOn());
    const struct
    {
        const char* key;
        ProfilePicture which;
    } pictures[] = {{"picture", ProfilePicture::Picture}, {"logo", ProfilePicture::Logo}};
    for (const auto& picture : pictures) {
        const QString screen = QDir(settings.strSavePath).filePath(ProfileScreenFileName(picture.which));
        out.insert(QString::fromLatin1(picture.key), QFileInfo(screen).isFile() ? screen : QString());
        out.insert(QString::fromLatin1(picture.key) + QStringLiteral("_original"),
                   FindProfileOriginal(settings.strSavePath, picture.which));
    }
    return out;
}

int Run(const QStringList& args)
{
    QStringList valueNames = {QStringLiteral("picture"), QStringLiteral("logo"), QStringLiteral("ad-rules")};
    for (const TextOption& option : kTexts)
        valueNames.append(QString::fromLatin1(option.name));
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, valueNames, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("profile takes no argument %1").arg(options.positional.first()));
    for (const QString& name : std::as_const(valueNames)) {
        if (options.All(name).size() > 1)
            return Cli::Usage(QStringLiteral("--%1 given more than once").arg(name));
    }

    std::optional<int> adRules;
    if (options.Has(QStringLiteral("ad-rules"))) {
        const QString value = options.Value(QStringLiteral("ad-rules"));
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return Cli::Usage(QStringLiteral("--ad-rules takes on or off, not \"%1\"").arg(value));
        adRules = value == QLatin1String("on") ? 1 : 0;
    }

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    // Every picture is checked before anything is written: a bad one changes nothing at all.
    const struct
    {
        const char* option;
        ProfilePicture which;
        int box;
    } pictures[] = {{"picture", ProfilePicture::Picture, kMyPictureBox}, {"logo", ProfilePicture::Logo, kLogoBox}};
    for (const auto& picture : pictures) {
        const QString path = options.Value(QString::fromLatin1(picture.option));
        if (!options.Has(QString::fromLatin1(picture.option)))
            continue;
        if (const QString refusal = CheckChosen(path, picture.which); !refusal.isEmpty())
            return Cli::Fail(QString(refusal).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    for (const auto& picture : pictures) {
        if (!options.Has(QString::fromLatin1(picture.option)))
            continue;
        const QString path = QFileInfo(options.Value(QString::fromLatin1(picture.option))).absoluteFilePath();
        if (!QDir().mkpath(settings.strSavePath))
            return Cli::Fail(
                QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(settings.strSavePath)));
        if (!StoreProfilePicture(path, settings.strSavePath, picture.which, picture.box, nullptr, &error))
            return Cli::Fail(error);
        if (picture.which == ProfilePicture::Logo)
            settings.IncludeMyLogo = 1;
    }
    bool changed = options.Has(QStringLiteral("picture")) || options.Has(QStringLiteral("logo"));
    for (const TextOption& option : kTexts) {
        if (options.Has(QString::fromLatin1(option.name))) {
            settings.*option.member = options.Value(QString::fromLatin1(option.name));
            changed = true;
        }
    }
    if (adRules) {
        settings.CheckAdRules = *adRules;
        changed = true;
    }
    if (changed && !settings._SaveSettings())
        return Cli::Fail(settings.SaveErrorText());
    Cli::PrintJson(ProfileJson(settings));
    return Cli::Done;
}

Cli::Registrar
    reg("profile",
        "profile [--name T] [--credentials T] [--company T] [--address T] [--city-state-zip T] [--phone1 T] "
        "[--phone2 T] [--email T] [--website T] [--disclaimer T] [--brokerage T] [--brokerage-phone T] [--licence T] "
        "[--picture FILE] [--logo FILE] [--ad-rules on|off]",
        &Run);

} // namespace
