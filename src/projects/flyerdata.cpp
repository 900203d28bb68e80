#include "projects/flyerdata.h"

#include "formats/filewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr quint8 kLongLength = 0xFF;
constexpr quint16 kUnicodeTag = 0xFFFE;
constexpr quint16 kLength32 = 0xFFFF;
constexpr quint32 kLength64 = 0xFFFFFFFF;
constexpr quint32 kTime64Marker = 0x8000000A;
constexpr qint64 kMaxTextLength = qint64(1) << 31;
// Sequential devices give no size up front: what is read from them grows with what has arrived,
// never with what a length claims.
constexpr qint64 kFirstChunk = 4096;

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

// Windows-1252, the single-byte code page of files written elsewhere. Its five unassigned bytes
// map to the C1 controls of the same value, as the system's own conversion does.
QString FromWindows1252(const QByteArray& bytes)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<quint8>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return text;
}

class ArchiveReader
{
public:
    ArchiveReader(QIODevice& device) : m_device(device) {}

    FlyerFileStatus::Kind Failure() const { return m_failure; }
    bool Failed() const { return m_failure != FlyerFileStatus::Ok; }

    bool Text(QString& out)
    {
        quint64 length = 0;
        bool unicode = false;
        bool length64 = false;
        if (!Length(length, unicode, length64))
            return false;
        // Only the 64-bit form is refused for its size; a 32-bit length is taken at its word and
        // the file then ends early.
        if (length64 && length >= quint64(kMaxTextLength))
            return Fail(FlyerFileStatus::ArchiveError);
        const auto count = static_cast<qint64>(length);
        QByteArray bytes;
        if (!Bytes(unicode ? 2 * count : count, bytes))
            return false;
        if (unicode) {
            QString text(count, Qt::Uninitialized);
            qFromLittleEndian<quint16>(bytes.constData(), count, text.data());
            out = text;
        } else {
            out = FromWindows1252(bytes);
        }
        return true;
    }

    bool Time(qint64& out)
    {
        quint32 first = 0;
        if (!Int(first))
            return false;
        if (first != kTime64Marker) {
            out = static_cast<qint32>(first);
            return true;
        }
        quint64 seconds = 0;
        if (!Int(seconds))
            return false;
        out = static_cast<qint64>(seconds);
        return true;
    }

    template <typename T> bool Int(T& out)
    {
        QByteArray bytes;
        if (!Bytes(sizeof(T), bytes))
            return false;
        out = qFromLittleEndian<T>(bytes.constData());
        return true;
    }

    bool Raw(std::array<quint8, 16>& out)
    {
        QByteArray bytes;
        if (!Bytes(qint64(out.size()), bytes))
            return false;
        std::copy(bytes.cbegin(), bytes.cend(), out.begin());
        return true;
    }

private:
    bool Fail(FlyerFileStatus::Kind kind)
    {
        m_failure = kind;
        return false;
    }

    // The stepped length: one byte, or 0xFF and 16 bits, or 0xFFFF and 32 bits, or 0xFFFFFFFF and
    // 64 bits. The Unicode tag 0xFF 0xFFFE comes before the length of a UTF-16 text.
    bool Length(quint64& out, bool& unicode, bool& length64)
    {
        quint8 first = 0;
        if (!Int(first))
            return false;
        if (first < kLongLength) {
            out = first;
            return true;
        }
        quint16 word = 0;
        if (!Int(word))
            return false;
        if (word == kUnicodeTag) {
            unicode = true;
            if (!Int(first))
                return false;
            if (first < kLongLength) {
                out = first;
                return true;
            }
            if (!Int(word))
                return false;
        }
        if (word < kLength32) {
            out = word;
            return true;
        }
        quint32 dword = 0;
        if (!Int(dword))
            return false;
        if (dword < kLength64) {
            out = dword;
            return true;
        }
        length64 = true;
        return Int(out);
    }

    bool Bytes(qint64 count, QByteArray& out)
    {
        // A length beyond what the file holds is the end of the file, found before any allocation.
        if (!m_device.isSequential() && count > m_device.size() - m_device.pos())
            return Fail(FlyerFileStatus::PastEnd);
        if (!m_device.isSequential()) {
            out = m_device.read(count);
            return out.size() == count || Fail(FlyerFileStatus::PastEnd);
        }
        out.clear();
        while (out.size() < count) {
            const qint64 want = std::min(count - out.size(), std::max(kFirstChunk, qint64(out.size())));
            const QByteArray chunk = m_device.read(want);
            if (chunk.isEmpty() && !m_device.waitForReadyRead(-1))
                return Fail(FlyerFileStatus::PastEnd);
            out += chunk;
        }
        return true;
    }

    QIODevice& m_device;
    FlyerFileStatus::Kind m_failure = FlyerFileStatus::Ok;
};

template <typename T> void PutInt(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

void PutText(QByteArray& out, const QString& text)
{
    PutInt<quint8>(out, kLongLength);
    PutInt<quint16>(out, kUnicodeTag);
    const auto length = static_cast<quint64>(text.size());
    if (length < kLongLength) {
        PutInt<quint8>(out, quint8(length));
    } else if (length < kUnicodeTag) {
        PutInt<quint8>(out, kLongLength);
        PutInt<quint16>(out, quint16(length));
    } else if (length < kLength64) {
        PutInt<quint8>(out, kLongLength);
        PutInt<quint16>(out, kLength32);
        PutInt<quint32>(out, quint32(length));
    } else {
        PutInt<quint8>(out, kLongLength);
        PutInt<quint16>(out, kLength32);
        PutInt<quint32>(out, kLength64);
        PutInt<quint64>(out, length);
    }
    const qsizetype start = out.size();
    out.resize(start + 2 * text.size());
    qToLittleEndian<quint16>(text.utf16(), text.size(), out.data() + start);
}

void PutTime(QByteArray& out, qint64 seconds)
{
    PutInt<quint32>(out, kTime64Marker);
    PutInt<qint64>(out, seconds);
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
    ArchiveReader in(device);
    // Each field goes straight into the record, so a read error keeps what came before it.
    const bool complete = in.Text(m_strId) && in.Time(m_timeCreated) && in.Time(m_timePrinted) && in.Int(m_bPrinted) &&
                          in.Text(m_strTheme) && in.Text(m_strFont) && in.Int(m_crColor) && in.Text(m_strMLS) &&
                          in.Text(m_strPrice) && in.Text(m_strAddress) && in.Text(m_strCityStateZip) &&
                          in.Text(m_strCaption) && in.Text(m_strDescription) && in.Text(m_strFeatures[0]) &&
                          in.Text(m_strFeatures[1]) && in.Text(m_strFeatures[2]) && in.Text(m_strFeatures[3]) &&
                          in.Text(m_photos[0].m_strPath) && in.Raw(m_photos[0].m_reserved) &&
                          in.Text(m_photos[1].m_strPath) && in.Raw(m_photos[1].m_reserved) &&
                          in.Text(m_photos[2].m_strPath) && in.Raw(m_photos[2].m_reserved) &&
                          in.Text(m_photos[3].m_strPath) && in.Raw(m_photos[3].m_reserved) && in.Text(m_strPhotoFolder);
    return complete ? FlyerFileStatus{FlyerFileStatus::Ok, name, QString()} : MakeStatus(in.Failure(), name);
}

QByteArray CFlyerData::Serialize() const
{
    QByteArray out;
    PutText(out, m_strId);
    PutTime(out, m_timeCreated);
    PutTime(out, m_timePrinted);
    PutInt<qint32>(out, m_bPrinted);
    PutText(out, m_strTheme);
    PutText(out, m_strFont);
    PutInt<quint32>(out, m_crColor);
    PutText(out, m_strMLS);
    PutText(out, m_strPrice);
    PutText(out, m_strAddress);
    PutText(out, m_strCityStateZip);
    PutText(out, m_strCaption);
    PutText(out, m_strDescription);
    for (const QString& feature : m_strFeatures)
        PutText(out, feature);
    for (const FlyerPhoto& photo : m_photos) {
        PutText(out, photo.m_strPath);
        out.append(reinterpret_cast<const char*>(photo.m_reserved.data()), qsizetype(photo.m_reserved.size()));
    }
    PutText(out, m_strPhotoFolder);
    return out;
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
