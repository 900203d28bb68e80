#include "flyer/flyerdata.h"

#include "formats/archive.h"
#include "formats/filewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

namespace {

QString DisplayName(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("an unnamed file") : path;
}

QString FolderOf(const QString& path)
{
    qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    cut = std::max({cut, path.lastIndexOf(QLatin1Char('\\')), path.indexOf(QLatin1Char(':'))});
#endif
    return path.left(cut + 1);
}

FlyerFileStatus MakeStatus(FlyerFileStatus::Kind kind, const QString& path, const QString& text = QString())
{
    FlyerFileStatus status;
    status.kind = kind;
    status.path = path;
    switch (kind) {
    case FlyerFileStatus::PastEnd:
        status.text = QStringLiteral("Attempted to access %1 past its end.").arg(DisplayName(path));
        break;
    case FlyerFileStatus::ArchiveError:
        status.text = QStringLiteral("An unknown error occurred while accessing %1.").arg(DisplayName(path));
        break;
    default:
        status.text = text;
        break;
    }
    return status;
}

} // namespace

QString FlyerFileStatus::SaveFailureText() const
{
    return QStringLiteral("Could not save the flyer project %1.\n\n%2").arg(DisplayName(path), text);
}

void CFlyerData::Reset()
{
    const QString id = CreateProjectId();
    if (!id.isEmpty())
        m_strId = id;
    m_bPrinted = 0;
    m_strTheme.clear();
    m_strFont.clear();
    m_crColor = 0xFFFFFF;
    m_strCaption = QStringLiteral("New Listing");
    m_strMLS = QStringLiteral("MLS# ");
    m_strPrice = QStringLiteral("Offered at $000,000");
    m_strAddress = QStringLiteral("Street Address");
    m_strCityStateZip = QStringLiteral("City, State Zip code");
    m_strDescription = QStringLiteral(
        "Enter text here describing the home, location, and amenities. Include information such as the number of "
        "bedrooms and bathrooms, recent updates to the home, view, or a description of the neighborhood. This text "
        "should be limited to one or two short paragraphs.");
    m_strFeatures = {QStringLiteral("# of Bedrooms"), QStringLiteral("# of Baths"), QStringLiteral("Square Feet"),
                     QStringLiteral("Year Built")};
    for (FlyerPhoto& photo : m_photos)
        photo.m_strPath.clear();
    // Looked up, never created; an account without one starts the photo chooser at home.
    m_strPhotoFolder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (m_strPhotoFolder.isEmpty())
        m_strPhotoFolder = QDir::homePath();
    m_strPathName.clear();
    m_strFolder.clear();
}

void CFlyerData::SetPathName(const QString& path)
{
    m_strFolder = FolderOf(path);
    m_strPathName = path;
}

FlyerFileStatus CFlyerData::Load(const QString& path)
{
    QFile file(path);
    FlyerFileStatus status;
    if (!file.open(QIODevice::ReadOnly))
        status = MakeStatus(FlyerFileStatus::OpenFailed, path, CXFileWriter::ErrorTextFor(file, path));
    else
        status = Read(file, path);
    if (!status.IsError())
        SetPathName(path);
    return status;
}

FlyerFileStatus CFlyerData::Read(QIODevice& device, const QString& name)
{
    CXArchiveReader in(device);
    const auto text = [&](QString& field) { return in.ReadString(field); };
    const auto time = [&](qint64& field) { return in.ReadTime(field); };
    const auto raw = [&](std::array<quint8, 16>& field) {
        return in.ReadRaw(reinterpret_cast<char*>(field.data()), qint64(field.size()));
    };
    // Each field goes straight into the record, so a read error keeps what came before it.
    const bool complete = text(m_strId) && time(m_timeCreated) && time(m_timePrinted) && in.ReadInt(m_bPrinted) &&
                          text(m_strTheme) && text(m_strFont) && in.ReadInt(m_crColor) && text(m_strMLS) &&
                          text(m_strPrice) && text(m_strAddress) && text(m_strCityStateZip) && text(m_strCaption) &&
                          text(m_strDescription) && text(m_strFeatures[0]) && text(m_strFeatures[1]) &&
                          text(m_strFeatures[2]) && text(m_strFeatures[3]) && text(m_photos[0].m_strPath) &&
                          raw(m_photos[0].m_reserved) && text(m_photos[1].m_strPath) && raw(m_photos[1].m_reserved) &&
                          text(m_photos[2].m_strPath) && raw(m_photos[2].m_reserved) && text(m_photos[3].m_strPath) &&
                          raw(m_photos[3].m_reserved) && text(m_strPhotoFolder);
    if (complete)
        return FlyerFileStatus{FlyerFileStatus::Ok, name, QString()};
    return MakeStatus(in.GetFailure() == CXArchiveReader::Failure::TooLong ? FlyerFileStatus::ArchiveError
                                                                           : FlyerFileStatus::PastEnd,
                      name);
}

QByteArray CFlyerData::Serialize() const
{
    CXArchiveWriter out;
    out.WriteString(m_strId);
    out.WriteTime(m_timeCreated);
    out.WriteTime(m_timePrinted);
    out.WriteInt<qint32>(m_bPrinted);
    out.WriteString(m_strTheme);
    out.WriteString(m_strFont);
    out.WriteInt<quint32>(m_crColor);
    out.WriteString(m_strMLS);
    out.WriteString(m_strPrice);
    out.WriteString(m_strAddress);
    out.WriteString(m_strCityStateZip);
    out.WriteString(m_strCaption);
    out.WriteString(m_strDescription);
    for (const QString& feature : m_strFeatures)
        out.WriteString(feature);
    for (const FlyerPhoto& photo : m_photos) {
        out.WriteString(photo.m_strPath);
        out.WriteRaw(reinterpret_cast<const char*>(photo.m_reserved.data()), qsizetype(photo.m_reserved.size()));
    }
    out.WriteString(m_strPhotoFolder);
    return out.Bytes();
}

FlyerFileStatus CFlyerData::Save() const
{
    // Written aside and renamed over the old file only when complete: a crash, a kill or a full
    // disk in the middle leaves the previous project whole.
    QString why;
    if (!CXFileWriter::WriteFile(m_strPathName, Serialize(), &why))
        return MakeStatus(FlyerFileStatus::WriteFailed, m_strPathName, why);
    return FlyerFileStatus{FlyerFileStatus::Ok, m_strPathName, QString()};
}

QString CFlyerData::PhotoFileName(int slot)
{
    return QStringLiteral("_photo%1.jpg").arg(slot + 1, 2, 10, QLatin1Char('0'));
}

bool CFlyerData::RepairPhotoPaths()
{
    bool repaired = false;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        QString& path = m_photos[slot].m_strPath;
        if (path.isEmpty() || QFileInfo::exists(path))
            continue;
        const QString own = m_strFolder + PhotoFileName(slot);
        // Only a real change counts, or a project whose photos are gone would be rewritten at every listing.
        if (path != own) {
            path = own;
            repaired = true;
        }
    }
    return repaired;
}

CFlyerData CFlyerData::OpenFromFile(const QString& path, FlyerFileStatus* status)
{
    CFlyerData record;
    record.Reset();
    FlyerFileStatus result = record.Load(path);
    // A record that was not read whole is never written back: that would cut the file short.
    if (!result.IsError() && record.RepairPhotoPaths())
        result = record.Save();
    if (status)
        *status = result;
    return record;
}

QString CFlyerData::CreateProjectId()
{
    const QUuid uuid = QUuid::createUuid();
    if (uuid.isNull())
        return QString();
    const QString id = QString::asprintf("%08X-%04X%04x-%02X%02X%02X%02X-%02X%02X%02X%02X", uuid.data1, uuid.data2,
                                         uuid.data3, uuid.data4[0], uuid.data4[1], uuid.data4[2], uuid.data4[3],
                                         uuid.data4[4], uuid.data4[5], uuid.data4[6], uuid.data4[7]);
    return id.toUpper();
}
