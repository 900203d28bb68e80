#include "settings/appsettings.h"

#include "formats/archive.h"
#include "formats/filewriter.h"
#include "formats/inifile.h"
#include "settings/appinfo.h"
#include "settings/userfolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>

#include <algorithm>
#include <limits>
#include <memory>
#include <variant>

Q_LOGGING_CATEGORY(lcSettings, "listora.settings")

namespace {

using IntMember = int CAppSettings::*;
using ColorMember = quint32 CAppSettings::*;
using StringMember = QString CAppSettings::*;

struct Field
{
    const char* name;
    std::variant<IntMember, ColorMember, StringMember> member;
};

// The stored values in the order in which they are written.
const Field kFields[] = {
    {"ShowTooltips", &CAppSettings::ShowTooltips},
    {"ConfirmExit", &CAppSettings::ConfirmExit},
    {"ConfirmDeleteFlyerProject", &CAppSettings::ConfirmDeleteFlyerProject},
    {"ConfirmSaveBeforeClosing", &CAppSettings::ConfirmSaveBeforeClosing},
    {"ShowQuickStart", &CAppSettings::ShowQuickStart},
    {"LastThemeFilter", &CAppSettings::LastThemeFilter},
    {"LastTheme", &CAppSettings::LastTheme},
    {"LastFont", &CAppSettings::LastFont},
    {"LastColor", &CAppSettings::LastColor},
    {"IsZoomed", &CAppSettings::IsZoomed},
    {"WindowWidth", &CAppSettings::WindowWidth},
    {"WindowHeight", &CAppSettings::WindowHeight},
    {"ShowSplashscreen", &CAppSettings::ShowSplashscreen},
    {"AlwaysShowFlyerDetails", &CAppSettings::AlwaysShowFlyerDetails},
    {"ShowAllFonts", &CAppSettings::ShowAllFonts},
    {"PicturesFolder", &CAppSettings::PicturesFolder},
    {"FullName", &CAppSettings::FullName},
    {"Credentials", &CAppSettings::Credentials},
    {"CompanyName", &CAppSettings::CompanyName},
    {"Address", &CAppSettings::Address},
    {"CityStateZipCode", &CAppSettings::CityStateZipCode},
    {"PhoneLabel01", &CAppSettings::PhoneLabel01},
    {"Phone01", &CAppSettings::Phone01},
    {"PhoneLabel02", &CAppSettings::PhoneLabel02},
    {"Phone02", &CAppSettings::Phone02},
    {"EmailAddress", &CAppSettings::EmailAddress},
    {"Website", &CAppSettings::Website},
    {"Disclaimer", &CAppSettings::Disclaimer},
    {"ColorRealtorName", &CAppSettings::ColorRealtorName},
    {"ColorListingCaption", &CAppSettings::ColorListingCaption},
    {"ColorMLSNumber", &CAppSettings::ColorMLSNumber},
    {"ColorPrice", &CAppSettings::ColorPrice},
    {"ColorListingAddress", &CAppSettings::ColorListingAddress},
    {"ColorListingFeatures", &CAppSettings::ColorListingFeatures},
    {"IncludeRMLSLogo", &CAppSettings::IncludeRMLSLogo},
    {"IncludeEHOLogo", &CAppSettings::IncludeEHOLogo},
    {"IncludeMyLogo", &CAppSettings::IncludeMyLogo},
    {"DefaultThemeTemplate", &CAppSettings::DefaultThemeTemplate},
    {"DefaultThemeFont", &CAppSettings::DefaultThemeFont},
    {"DefaultThemeColor", &CAppSettings::DefaultThemeColor},
    {"LastMyLogoPath", &CAppSettings::LastMyLogoPath},
    {"LastMyPicturePath", &CAppSettings::LastMyPicturePath},
    {"LastExportToPath", &CAppSettings::LastExportToPath},
    {"LastExportFilter", &CAppSettings::LastExportFilter},
    {"CustomColors", &CAppSettings::CustomColors},
    {"BrokerageName", &CAppSettings::BrokerageName},
    {"BrokeragePhone", &CAppSettings::BrokeragePhone},
    {"LicenceNumber", &CAppSettings::LicenceNumber},
    {"CheckAdRules", &CAppSettings::CheckAdRules},
    {"ExportCropMarks", &CAppSettings::ExportCropMarks},
    {"LastThemeFormat", &CAppSettings::LastThemeFormat},
    {"CampaignFolder", &CAppSettings::CampaignFolder},
    {"CampaignFormats", &CAppSettings::CampaignFormats},
};

const QString kVersionKey = QStringLiteral("_Version");
const QString kModulePathKey = QStringLiteral("ModulePath");

std::unique_ptr<QSettings> OpenStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, AppInfo::MakerName(),
                                       AppInfo::ProductId());
}

// A store that cannot be parsed or read counts as one that cannot be opened.
bool StoreReadable(const QSettings& store)
{
    return store.status() == QSettings::NoError;
}

// Only a whole 32-bit number counts; anything else leaves the member as it is.
bool ReadDword(const QVariant& value, quint32& out)
{
    bool ok = false;
    qint64 number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::QString:
        number = value.toString().trimmed().toLongLong(&ok);
        break;
    case QMetaType::QByteArray:
        number = value.toByteArray().trimmed().toLongLong(&ok);
        break;
    default:
        return false;
    }
    if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<quint32>::max())
        return false;
    out = quint32(number);
    return true;
}

QString ReadString(const QVariant& value)
{
    // An unquoted value with commas comes back from an INI file as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    if (value.canConvert<QString>())
        return value.toString();
    return QString();
}

} // namespace

CAppSettings::CAppSettings()
{
    _Init();
    const auto store = OpenStore();
    if (StoreReadable(*store) && store->allKeys().isEmpty() && store->isWritable())
        _SaveSettings();
}

void CAppSettings::_Init()
{
    bIsQim = !qEnvironmentVariableIsEmpty("LISTORA_SAMPLE_PROFILE");

    const QString pictures = UserFolders::PicturesFolder();
    const QString documents = UserFolders::DocumentsFolder();

    ShowTooltips = 1;
    ConfirmExit = 1;
    ConfirmDeleteFlyerProject = 1;
    ConfirmSaveBeforeClosing = 1;
    ShowQuickStart = 1;
    LastThemeFilter = 1;
    LastTheme.clear();
    LastFont = QStringLiteral("Tahoma");
    LastColor = 0x00B16300;
    IsZoomed = 0;
    WindowWidth = 925;
    WindowHeight = 578;
    ShowSplashscreen = 1;
    AlwaysShowFlyerDetails = 0;
    ShowAllFonts = 0;
    PicturesFolder = pictures;
    if (bIsQim) {
        FullName = QStringLiteral("Jordan Avery");
        Credentials = QStringLiteral("Realtor\u00AE");
        CompanyName = QStringLiteral("Harbourline Realty Group");
        Address = QStringLiteral("1200 Marina Way, Suite 210");
        CityStateZipCode = QStringLiteral("Bayport, CA 94000");
        PhoneLabel01 = 3;
        Phone01 = QStringLiteral("(800) 555-0142");
        PhoneLabel02 = 1;
        Phone02 = QStringLiteral("(555) 555-0178");
        EmailAddress = QStringLiteral("jordan.avery@example.com");
        Website = QStringLiteral("www.example.com");
    } else {
        FullName.clear();
        Credentials.clear();
        CompanyName.clear();
        Address.clear();
        CityStateZipCode.clear();
        PhoneLabel01 = 0;
        Phone01.clear();
        PhoneLabel02 = 0;
        Phone02.clear();
        EmailAddress.clear();
        Website.clear();
    }
    Disclaimer = QStringLiteral("All information deemed reliable but not guaranteed.");
    ColorRealtorName = 1;
    ColorListingCaption = 1;
    ColorMLSNumber = 1;
    ColorPrice = 1;
    ColorListingAddress = 1;
    ColorListingFeatures = 1;
    IncludeRMLSLogo = 1;
    IncludeEHOLogo = 1;
    IncludeMyLogo = 1;
    DefaultThemeTemplate = QStringLiteral("Simple - KT101");
    DefaultThemeFont = QStringLiteral("Tahoma");
    DefaultThemeColor = 0x00C07B7B;
    LastMyLogoPath = pictures;
    LastMyPicturePath = pictures;
    LastExportToPath = documents;
    LastExportFilter.clear();
    CustomColors.clear();
    BrokerageName.clear();
    BrokeragePhone.clear();
    LicenceNumber.clear();
    CheckAdRules = -1;
    ExportCropMarks = 0;
    LastThemeFormat = 0;
    CampaignFolder.clear();
    CampaignFormats = QStringLiteral("flyer,press,postcard-6x4,postcard-9x6,square,story,link");
}

bool CAppSettings::AdRulesOn() const
{
    if (CheckAdRules == 0 || CheckAdRules == 1)
        return CheckAdRules == 1;
    return !BrokerageName.trimmed().isEmpty();
}

void CAppSettings::LoadSettings()
{
    {
        const auto store = OpenStore();
        if (StoreReadable(*store)) {
            for (const Field& field : kFields) {
                const QString key = QString::fromLatin1(field.name);
                const QVariant value = store->value(key);
                if (const auto* m = std::get_if<StringMember>(&field.member)) {
                    this->*(*m) = value.isValid() ? ReadString(value) : QString();
                    continue;
                }
                quint32 number = 0;
                if (!value.isValid() || !ReadDword(value, number))
                    continue;
                if (const auto* m = std::get_if<IntMember>(&field.member))
                    this->*(*m) = qint32(number);
                else
                    this->*std::get<ColorMember>(field.member) = number;
            }
        } else {
            qCWarning(lcSettings) << "settings store cannot be read:" << store->fileName();
        }
    }
    _UpdateModulePath();
}

bool CAppSettings::_SaveSettings()
{
    QList<std::pair<QString, QVariant>> values;
    values.append({kVersionKey, kVersion});
    for (const Field& field : kFields)
        std::visit(
            [&](auto member) {
                values.append({QString::fromLatin1(field.name), QVariant(this->*member)});
            },
            field.member);
    return WriteStore(values);
}

void CAppSettings::_UpdateModulePath()
{
    if (!QCoreApplication::instance())
        return;
    {
        const auto store = OpenStore();
        if (!StoreReadable(*store) || !store->isWritable() || store->allKeys().isEmpty() ||
            store->value(kModulePathKey).toString() == QCoreApplication::applicationFilePath())
            return;
    }
    WriteStore({{kModulePathKey, QCoreApplication::applicationFilePath()}});
}

bool CAppSettings::WriteStore(const QList<std::pair<QString, QVariant>>& changes)
{
    // QSettings would write the file itself, and Qt replaces it even when its last write failed (a
    // full disk left the whole profile at 0 bytes). The store only reads; the file writer puts the
    // whole new file in place, or leaves the old one.
    QString path;
    QList<std::pair<QString, QVariant>> values = changes;
    {
        const auto store = OpenStore();
        if (!StoreReadable(*store) || !store->isWritable())
            return false;
        path = store->fileName();
        // What others wrote (ModulePath, values of later versions) stays, after the given ones.
        for (const QString& key : store->allKeys()) {
            const bool given =
                std::any_of(values.cbegin(), values.cend(), [&](const auto& v) { return v.first == key; });
            if (!given)
                values.append({key, store->value(key)});
        }
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QDateTime before = QFileInfo(path).lastModified();
    QString why;
    if (!CXFileWriter::WriteFile(path, IniFileBytes(values), &why)) {
        m_strSaveError = why;
        qCWarning(lcSettings) << "settings could not be written:" << why;
        return false;
    }
    m_strSaveError.clear();
    // QSettings trusts its cached copy while size and time stamp stay the same; a rewrite of the
    // same size within one tick of the file system's clock would go unseen (a "1" read back as "0").
    if (before.isValid() && QFileInfo(path).lastModified() <= before) {
        QFile written(path);
        if (!written.open(QIODevice::ReadOnly) ||
            !written.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime))
            qCWarning(lcSettings) << "settings time stamp could not be moved on:" << path;
    }
    // Stores open elsewhere in the program share what QSettings last read; they see the new file now.
    OpenStore()->sync();
    return true;
}

QList<CAppSettings::NamedValue> CAppSettings::PersistedValues() const
{
    QList<NamedValue> values;
    for (const Field& field : kFields)
        std::visit(
            [&](auto member) {
                values.append({QString::fromLatin1(field.name), QVariant(this->*member)});
            },
            field.member);
    return values;
}

int* CAppSettings::ConfirmFlag(ConfirmKind kind)
{
    switch (kind) {
    case ConfirmKind::Exit:
        return &ConfirmExit;
    case ConfirmKind::DeleteProject:
        return &ConfirmDeleteFlyerProject;
    case ConfirmKind::SaveBeforeClosing:
        return &ConfirmSaveBeforeClosing;
    }
    return nullptr;
}

bool CAppSettings::ImportLegacySettings()
{
    if (Path2Settings.isEmpty())
        return false;
    QFile file(Path2Settings);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;

    const bool complete = ReadLegacySettings(file);
    file.close();
    if (!complete)
        qCWarning(lcSettings) << "older settings file ends early or is damaged; kept what was read:" << Path2Settings;

    // A file left in place would be imported again at every start and undo the user's later
    // changes, so an existing ".bak" gets a numbered sibling instead of blocking the move.
    const QFileInfo info(Path2Settings);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
    QString target = stem + QStringLiteral(".bak");
    for (int n = 1; QFileInfo::exists(target) && n < 1000; ++n)
        target = stem + QStringLiteral(".%1.bak").arg(n);
    if (!QFile::rename(Path2Settings, target))
        qCWarning(lcSettings) << "older settings file could not be moved aside:" << Path2Settings;
    return complete;
}

bool CAppSettings::ReadLegacySettings(QIODevice& device)
{
    CXArchiveReader in(device);
    // Each value lands in its member as soon as it is read, so a fault keeps everything before it.
    const auto dword = [&](auto& member) { return in.ReadInt(member); };
    const auto string = [&](QString& member) { return in.ReadString(member); };
    quint32 skipNumber = 0;
    QString skipString;
    qint64 skipTime = 0;
    return in.ReadInt(skipNumber) && string(skipString) && dword(ShowTooltips) && dword(ConfirmExit) &&
           dword(ConfirmDeleteFlyerProject) && dword(ConfirmSaveBeforeClosing) && dword(ShowQuickStart) &&
           dword(LastThemeFilter) && string(LastTheme) && string(LastFont) && dword(LastColor) && dword(IsZoomed) &&
           dword(WindowWidth) && dword(WindowHeight) && in.ReadTime(skipTime) && dword(ShowSplashscreen) &&
           dword(AlwaysShowFlyerDetails) && string(PicturesFolder) && string(FullName) && string(Credentials) &&
           string(CompanyName) && string(Address) && string(CityStateZipCode) && dword(PhoneLabel01) &&
           string(Phone01) && dword(PhoneLabel02) && string(Phone02) && string(EmailAddress) && string(Website) &&
           string(Disclaimer) && dword(ColorRealtorName) && dword(ColorListingCaption) && dword(ColorMLSNumber) &&
           dword(ColorPrice) && dword(ColorListingAddress) && dword(ColorListingFeatures) && dword(IncludeRMLSLogo) &&
           dword(IncludeEHOLogo) && dword(IncludeMyLogo) && string(DefaultThemeTemplate) && string(DefaultThemeFont) &&
           dword(DefaultThemeColor) && string(LastMyLogoPath) && string(LastMyPicturePath) && string(LastExportToPath);
}
