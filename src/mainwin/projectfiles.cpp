#include "mainwin/projectfiles.h"

#include "imaging/photocrop.h"
#include "imaging/photointake.h"
#include "projects/projectstore.h"
#include "settings/appsettings.h"

#include <QDateTime>

namespace ProjectFiles {

void CopyListingFields(const CFlyerData& from, CFlyerData& to)
{
    to.m_strCaption = from.m_strCaption;
    to.m_strMLS = from.m_strMLS;
    to.m_strPrice = from.m_strPrice;
    to.m_strAddress = from.m_strAddress;
    to.m_strCityStateZip = from.m_strCityStateZip;
    to.m_strDescription = from.m_strDescription;
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        to.m_photos[i].m_strPath = from.m_photos[i].m_strPath;
        to.m_strFeatures[i] = from.m_strFeatures[i];
    }
    to.m_strPhotoFolder = from.m_strPhotoFolder;
}

CFlyerData NewRecord(const CFlyerData& details, const CAppSettings& settings)
{
    CFlyerData record;
    record.Reset();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    record.m_timeCreated = now;
    record.m_timePrinted = now;
    record.m_bPrinted = 0;
    record.m_strTheme = settings.DefaultThemeTemplate;
    record.m_strFont = settings.DefaultThemeFont;
    record.m_crColor = settings.DefaultThemeColor;
    CopyListingFields(details, record);
    return record;
}

void CopyDetailsExtras(const CListingExtras& from, CListingExtras& to)
{
    to.m_strListingUrl = from.m_strListingUrl;
    to.m_crops = from.m_crops;
    to.m_status = from.m_status;
    to.m_openHouse = from.m_openHouse;
}

CSaveOutcome SaveListingFiles(CFlyerData& record, const CListingExtras& extras, const Crops& previousCrops,
                              const CAppSettings& settings)
{
    CSaveOutcome outcome;
    if (record.m_strId.isEmpty()) {
        outcome.warnings << QStringLiteral("The flyer project could not be given an id, so it was not saved.");
        return outcome;
    }
    const QString folder = ProjectFolderPath(settings.strPath2FlyerProjects, record.m_strId);
    CreateProjectFolder(folder);
    QStringList photoErrors;
    ProcessPhotos(folder, record, &photoErrors);
    // The flyer's photo is made from the cropped area; "_original0N.jpg" stays whole for the next crop.
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        if (record.m_photos[i].m_strPath.isEmpty() || extras.m_crops[i] == previousCrops[i])
            continue;
        QString why;
        if (!PhotoCrop::MakeSlotPhoto(folder, i + 1, extras.m_crops[i], &why))
            photoErrors.append(why);
    }
    record.SetPathName(ProjectFilePath(folder));
    const FlyerFileStatus status = SaveProjectPair(record, &extras);
    outcome.saved = status.IsOk();
    if (!outcome.saved)
        outcome.warnings << status.SaveFailureText();
    if (outcome.saved && !photoErrors.isEmpty())
        outcome.warnings << QStringLiteral("Some photos could not be taken into the flyer project:\n\n%1")
                                .arg(photoErrors.join(QLatin1Char('\n')));
    return outcome;
}

} // namespace ProjectFiles
