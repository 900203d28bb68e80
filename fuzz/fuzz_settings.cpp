// The import of an older version's settings file on any bytes: it must never crash, read outside
// its input or allocate what the input only claims. A pipe-like device must give the same values
// as a file, the one value the file does not hold must stay, and whatever is read whole must come
// back unchanged when written again in the file's form.
#include "formats/archive.h"
#include "settings/appsettings.h"

#include "../tests/formats/pipedevice.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// The persisted values in the older file's order: ShowAllFonts and LastExportFilter are not in it.
QByteArray LegacyBytes(const CAppSettings& s)
{
    CXArchiveWriter out;
    out.WriteInt<quint32>(1);
    out.WriteString(QString());
    for (int v : {s.ShowTooltips, s.ConfirmExit, s.ConfirmDeleteFlyerProject, s.ConfirmSaveBeforeClosing,
                  s.ShowQuickStart, s.LastThemeFilter})
        out.WriteInt(v);
    out.WriteString(s.LastTheme);
    out.WriteString(s.LastFont);
    out.WriteInt(s.LastColor);
    for (int v : {s.IsZoomed, s.WindowWidth, s.WindowHeight})
        out.WriteInt(v);
    out.WriteTime(0);
    out.WriteInt(s.ShowSplashscreen);
    out.WriteInt(s.AlwaysShowFlyerDetails);
    for (const QString* v :
         {&s.PicturesFolder, &s.FullName, &s.Credentials, &s.CompanyName, &s.Address, &s.CityStateZipCode})
        out.WriteString(*v);
    out.WriteInt(s.PhoneLabel01);
    out.WriteString(s.Phone01);
    out.WriteInt(s.PhoneLabel02);
    for (const QString* v : {&s.Phone02, &s.EmailAddress, &s.Website, &s.Disclaimer})
        out.WriteString(*v);
    for (int v : {s.ColorRealtorName, s.ColorListingCaption, s.ColorMLSNumber, s.ColorPrice, s.ColorListingAddress,
                  s.ColorListingFeatures, s.IncludeRMLSLogo, s.IncludeEHOLogo, s.IncludeMyLogo})
        out.WriteInt(v);
    out.WriteString(s.DefaultThemeTemplate);
    out.WriteString(s.DefaultThemeFont);
    out.WriteInt(s.DefaultThemeColor);
    for (const QString* v : {&s.LastMyLogoPath, &s.LastMyPicturePath, &s.LastExportToPath})
        out.WriteString(*v);
    return out.Bytes();
}

bool SameValues(const CAppSettings& a, const CAppSettings& b)
{
    const auto x = a.PersistedValues();
    const auto y = b.PersistedValues();
    if (x.size() != y.size())
        return false;
    for (qsizetype i = 0; i < x.size(); ++i) {
        if (x.at(i).name != y.at(i).name || x.at(i).value != y.at(i).value)
            return false;
    }
    return true;
}

std::unique_ptr<QTemporaryDir> g_home;
std::unique_ptr<CAppSettings> g_defaults;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The settings store is made on first use; it goes to a scratch home, never the user's.
    g_home = std::make_unique<QTemporaryDir>();
    if (!g_home->isValid())
        std::abort();
    qputenv("HOME", g_home->path().toLocal8Bit());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qunsetenv(name);
    g_defaults = std::make_unique<CAppSettings>();
    g_defaults->ShowAllFonts = 7; // no value the file can set, so a change shows
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Raw data: an over-read of the input is caught by the address sanitizer.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    CAppSettings read = *g_defaults;
    const bool complete = read.ReadLegacySettings(file);
    if (read.ShowAllFonts != 7)
        std::abort();

    CXPipeDevice pipe(bytes);
    CAppSettings piped = *g_defaults;
    if (piped.ReadLegacySettings(pipe) != complete || !SameValues(piped, read))
        std::abort();

    if (complete) {
        QByteArray written = LegacyBytes(read);
        QBuffer again(&written);
        again.open(QIODevice::ReadOnly);
        CAppSettings back = *g_defaults;
        if (!back.ReadLegacySettings(again) || !SameValues(back, read) || again.pos() != written.size())
            std::abort();
    }
    return 0;
}
