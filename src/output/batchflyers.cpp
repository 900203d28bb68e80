#include "output/batchflyers.h"

#include "compose/loadpolicy.h"
#include "imaging/imagelibrary.h"
#include "imaging/photocrop.h"
#include "imaging/photointake.h"
#include "flyer/detailschecks.h"
#include "flyer/fieldlimits.h"
#include "flyer/formatting.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

enum Column
{
    Caption,
    Mls,
    Price,
    Address,
    CityStateZip,
    Description,
    Feature1,
    Photo1 = Feature1 + 4,
    Url = Photo1 + 4,
    Crop1,
    Status = Crop1 + 4,
    OpenHouseDate,
    OpenHouseStart,
    OpenHouseEnd,
    ColumnCount
};

constexpr int kMaxNameBytes = 200; // leaves room for " (NN).pdf" within the usual 255-byte limit

bool IsRequired(int column)
{
    return column <= Description || column == Photo1;
}

QString ColumnName(int column)
{
    return ListingColumns().at(column);
}

QString ColumnForField(DetailsField field)
{
    switch (field) {
    case DetailsField::Caption:
        return ColumnName(Caption);
    case DetailsField::MLSNumber:
        return ColumnName(Mls);
    case DetailsField::Price:
        return ColumnName(Price);
    case DetailsField::Address:
        return ColumnName(Address);
    case DetailsField::CityStateZip:
        return ColumnName(CityStateZip);
    case DetailsField::Description:
        return ColumnName(Description);
    case DetailsField::Feature1:
    case DetailsField::Feature2:
    case DetailsField::Feature3:
    case DetailsField::Feature4:
        return ColumnName(Feature1 + int(field) - int(DetailsField::Feature1));
    case DetailsField::MainPhotoButton:
        return ColumnName(Photo1);
    }
    return QString();
}

bool IsBlank(const CsvRecord& record)
{
    if (!record.error.isEmpty())
        return false;
    for (const QString& cell : record.cells) {
        if (!cell.trimmed().isEmpty())
            return false;
    }
    return true;
}

// The problems of one photo cell, or an empty text when the photo is fit for its slot.
QString CheckPhotoCell(int slot, const QString& cell, const QString& path)
{
    const QString column = ColumnName(Photo1 + slot - 1);
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("%1 \"%2\" does not exist").arg(column, cell);
    if (!file.isFile())
        return QStringLiteral("%1 \"%2\" is not a file").arg(column, cell);
    const ImageInfo info = GetImageInfo(path);
    // The row's problems are joined into one sentence, so the refusals lose their full stop. A cut-off
    // JPEG is found by the intake, which decodes it anyway; a second decode here would slow every row.
    // A picture too large to open is named as such, not as "no picture".
    if (const QString refusal = CheckPictureFile(path, QStringLiteral("%1 \"%2\"").arg(column, cell), false);
        !refusal.isEmpty())
        return refusal.chopped(1);
    if (info.width <= 0 || info.height <= 0)
        return NotAPictureText(QStringLiteral("%1 \"%2\"").arg(column, cell)).chopped(1);
    if (CheckListingPhoto(slot, path, info.ok, info.width, info.height, info.orientation).isEmpty())
        return QString();
    const PhotoMinimum minimum = PhotoMinimumForSlot(slot);
    return QStringLiteral("%1 \"%2\" is %3 x %4 pixels (%5); %6 must be landscape and larger than %7 x %8 pixels")
        .arg(column, cell)
        .arg(info.width)
        .arg(info.height)
        .arg(PhotoOrientationWord(info.orientation).toLower(),
             slot == 1 ? QStringLiteral("the main photo") : QStringLiteral("a secondary photo"))
        .arg(minimum.width)
        .arg(minimum.height);
}

// A crop cell "x,y,w,h" in the photo's pixels; problem names what is wrong with it.
std::optional<QRect> ReadCropCell(int slot, const QString& cell, const QString& path, QString& problem)
{
    const QString column = ColumnName(Crop1 + slot - 1);
    const QStringList parts = cell.split(QLatin1Char(','));
    std::array<int, 4> numbers{};
    bool ok = parts.size() == 4;
    for (qsizetype i = 0; ok && i < 4; ++i) {
        numbers[size_t(i)] = parts.at(i).trimmed().toInt(&ok);
        ok = ok && numbers[size_t(i)] >= 0;
    }
    if (!ok || numbers[2] == 0 || numbers[3] == 0) {
        problem = QStringLiteral("%1 \"%2\" must be x,y,w,h in whole pixels of the photo").arg(column, cell);
        return std::nullopt;
    }
    const QRect crop(numbers[0], numbers[1], numbers[2], numbers[3]);
    const ImageInfo info = GetImageInfo(path);
    if (!QFileInfo(path).isFile() || info.width <= 0 || info.height <= 0) {
        problem = QStringLiteral("%1 \"%2\" is no picture that can be read")
                      .arg(ColumnName(Photo1 + slot - 1), QFileInfo(path).fileName());
        return std::nullopt;
    }
    if (!QRect(0, 0, info.width, info.height).contains(crop)) {
        problem = QStringLiteral("%1 \"%2\" reaches outside the %3 x %4 pixels of the photo")
                      .arg(column, cell)
                      .arg(info.width)
                      .arg(info.height);
        return std::nullopt;
    }
    if (!PhotoCrop::MeetsSizeRules(crop.size(), slot)) {
        const PhotoMinimum minimum = PhotoMinimumForSlot(slot);
        problem = QStringLiteral("%1 \"%2\" is %3 x %4 pixels; %5 must be landscape and larger than %6 x %7 pixels")
                      .arg(column, cell)
                      .arg(crop.width())
                      .arg(crop.height())
                      .arg(slot == 1 ? QStringLiteral("the main photo") : QStringLiteral("a secondary photo"))
                      .arg(minimum.width)
                      .arg(minimum.height);
        return std::nullopt;
    }
    return crop;
}

struct Header
{
    QList<int> columnOf; // per cell of a row: its Column, or -1 for a column that is ignored
    QList<bool> unnamed; // per cell: the header cell is empty
};

// Fills row.flyer from the cells and row.error with everything that keeps the row from being made.
// pictures says where the row's photos may come from, as a flyer page does.
void ReadRow(const CsvRecord& record, const Header& header, const QDir& base, const CXPageLoadPolicy& pictures,
             ListingRow& row)
{
    if (!record.error.isEmpty()) {
        row.error = record.error;
        return;
    }
    if (record.cells.size() != header.columnOf.size()) {
        row.error = QStringLiteral("the row has %1 cells but the header has %2 columns (a cell that holds a comma "
                                   "must be in double quotes)")
                        .arg(record.cells.size())
                        .arg(header.columnOf.size());
        return;
    }

    QStringList problems;
    // Such a cell was not kept while the sheet was read; the row is refused for it alone.
    for (const int i : record.overlong) {
        const int column = header.columnOf.at(i);
        const qsizetype limit = column < 0              ? kMaxListingCellLength
                                : column < Feature1     ? ListingTextLimit(ListingText(column))
                                : column < Feature1 + 4 ? qsizetype(kMaxFeatureLength)
                                                        : kMaxListingCellLength;
        problems.append(
            QStringLiteral("%1 is longer than %2 characters")
                .arg(column >= 0 ? ColumnName(column) : QStringLiteral("cell %1").arg(i + 1), FormatThousands(limit)));
    }
    if (!problems.isEmpty()) {
        row.error = problems.join(QStringLiteral("; "));
        return;
    }
    std::array<QString, ColumnCount> cells;
    for (qsizetype i = 0; i < record.cells.size(); ++i) {
        const int column = header.columnOf.at(i);
        if (column >= 0)
            cells[size_t(column)] = record.cells.at(i);
        else if (header.unnamed.at(i) && !record.cells.at(i).trimmed().isEmpty())
            problems.append(QStringLiteral("cell %1 holds text but the header names no column for it").arg(i + 1));
    }

    CFlyerData& flyer = row.flyer;
    flyer.m_strCaption = cells[Caption];
    flyer.m_strMLS = cells[Mls];
    flyer.m_strPrice = cells[Price];
    flyer.m_strAddress = cells[Address];
    flyer.m_strCityStateZip = cells[CityStateZip];
    // Line breaks inside the cell become paragraphs, as typed into the details dialog.
    flyer.m_strDescription = DescriptionFromEdit(cells[Description]);
    for (int i = 0; i < 4; ++i)
        flyer.m_strFeatures[size_t(i)] = cells[size_t(Feature1 + i)];

    FlyerDetailsInput input;
    input.caption = flyer.m_strCaption;
    input.mlsNumber = flyer.m_strMLS;
    input.price = flyer.m_strPrice;
    input.address = flyer.m_strAddress;
    input.cityStateZip = flyer.m_strCityStateZip;
    input.description = flyer.m_strDescription;
    input.features = flyer.m_strFeatures;
    input.hasMainPhoto = !cells[Photo1].trimmed().isEmpty();
    if (const auto failure = CheckFlyerDetails(input)) {
        const QString column = ColumnForField(failure->focus);
        if (failure->focus == DetailsField::MainPhotoButton)
            problems.append(QStringLiteral("%1 is empty: every flyer needs a main photo").arg(column));
        else if (failure->limit > 0)
            problems.append(
                QStringLiteral("%1 is longer than %2 characters").arg(column, FormatThousands(failure->limit)));
        else
            problems.append(QStringLiteral("%1 is empty").arg(column));
    }

    const std::optional<QString> url = CheckListingUrl(cells[Url]);
    if (url)
        row.extras.m_strListingUrl = *url;
    else
        problems.append(QStringLiteral("url \"%1\" is not an http or https address").arg(cells[Url].trimmed()));

    const QString statusCell = cells[Status].trimmed();
    if (const std::optional<ListingStatus> status = StatusFromKey(statusCell))
        row.extras.m_status = *status;
    else
        problems.append(QStringLiteral("status \"%1\" is not one of %2").arg(statusCell, StatusKeysText()));
    const QString openDate = cells[OpenHouseDate].trimmed();
    const QString openStart = cells[OpenHouseStart].trimmed();
    const QString openEnd = cells[OpenHouseEnd].trimmed();
    if (!openDate.isEmpty() || !openStart.isEmpty() || !openEnd.isEmpty()) {
        QString why;
        row.extras.m_openHouse = ReadOpenHouse(openDate, openStart, openEnd, &why);
        if (!row.extras.m_openHouse)
            problems.append(why);
    }

    for (int slot = 1; slot <= kPhotoSlots; ++slot) {
        const QString cell = cells[size_t(Photo1 + slot - 1)].trimmed();
        const QString cropCell = cells[size_t(Crop1 + slot - 1)].trimmed();
        if (cell.isEmpty()) {
            if (!cropCell.isEmpty())
                problems.append(QStringLiteral("%1 is given but %2 is empty")
                                    .arg(ColumnName(Crop1 + slot - 1), ColumnName(Photo1 + slot - 1)));
            continue;
        }
        const QString path = QDir::cleanPath(base.absoluteFilePath(cell));
        flyer.m_photos[size_t(slot - 1)].m_strPath = path;
        // A sheet from someone else must not put the user's own files (~/.ssh ...) into the flyers.
        if (QFileInfo(path).isFile() && !pictures.MayReadPicture(path)) {
            problems.append(
                PictureOutsideText(QStringLiteral("%1 \"%2\"").arg(ColumnName(Photo1 + slot - 1), cell)).chopped(1) +
                QStringLiteral(" (the spreadsheet's folder, My Listora and the installed data)"));
            continue;
        }
        if (cropCell.isEmpty()) {
            if (const QString problem = CheckPhotoCell(slot, cell, path); !problem.isEmpty())
                problems.append(problem);
            continue;
        }
        // With a crop the size rules apply to the cropped area, so the photo itself may have any shape.
        QString problem;
        row.extras.m_crops[size_t(slot - 1)] = ReadCropCell(slot, cropCell, path, problem);
        if (!problem.isEmpty())
            problems.append(problem);
    }
    row.error = problems.join(QStringLiteral("; "));
}

} // namespace

bool ParseBatchFormat(const QString& text, BatchFormat& format)
{
    const QString lower = text.toLower();
    if (lower == QLatin1String("pdf"))
        format = BatchFormat::Pdf;
    else if (lower == QLatin1String("png"))
        format = BatchFormat::Png;
    else if (lower == QLatin1String("jpg"))
        format = BatchFormat::Jpeg;
    else
        return false;
    return true;
}

QString BatchFormatExtension(BatchFormat format)
{
    switch (format) {
    case BatchFormat::Png:
        return QStringLiteral(".png");
    case BatchFormat::Jpeg:
        return QStringLiteral(".jpg");
    case BatchFormat::Pdf:
        break;
    }
    return QStringLiteral(".pdf");
}

QStringList ListingColumns()
{
    return {QStringLiteral("caption"),
            QStringLiteral("mls"),
            QStringLiteral("price"),
            QStringLiteral("address"),
            QStringLiteral("city_state_zip"),
            QStringLiteral("description"),
            QStringLiteral("feature1"),
            QStringLiteral("feature2"),
            QStringLiteral("feature3"),
            QStringLiteral("feature4"),
            QStringLiteral("photo1"),
            QStringLiteral("photo2"),
            QStringLiteral("photo3"),
            QStringLiteral("photo4"),
            QStringLiteral("url"),
            QStringLiteral("crop1"),
            QStringLiteral("crop2"),
            QStringLiteral("crop3"),
            QStringLiteral("crop4"),
            QStringLiteral("status"),
            QStringLiteral("open_house_date"),
            QStringLiteral("open_house_start"),
            QStringLiteral("open_house_end")};
}

QStringList RequiredListingColumns()
{
    QStringList required;
    for (int column = 0; column < ColumnCount; ++column) {
        if (IsRequired(column))
            required.append(ColumnName(column));
    }
    return required;
}

struct CXListingSheetReader::State
{
    std::function<bool(CsvRecord&)> next;
    std::function<void()> rewind; // empty: the records cannot be read again
    QDir base;
    QStringList pictureRoots; // besides base
    CXPageLoadPolicy pictures;
    Header header;
    int headerLine = 0;

    // Steps over the blank records before the header; false when there is nothing else.
    bool FirstFilled(CsvRecord& record)
    {
        while (next(record)) {
            if (!IsBlank(record))
                return true;
        }
        return false;
    }
};

CXListingSheetReader::CXListingSheetReader() : m_pState(std::make_unique<State>()) {}
CXListingSheetReader::~CXListingSheetReader() = default;

void CXListingSheetReader::SetPictureRoots(const QStringList& roots)
{
    m_pState->pictureRoots = roots;
}

bool CXListingSheetReader::Open(const QString& csvPath)
{
    m_pCsv = std::make_unique<CXCsvReader>(kMaxListingCellLength);
    QString error;
    if (!m_pCsv->Open(csvPath, &error)) {
        m_strError = error;
        return false;
    }
    switch (m_pCsv->TextEncoding()) {
    case CXCsvReader::Encoding::Windows1252:
        m_notes.append(QStringLiteral("the file is not UTF-8; it was read as Windows-1252 (Western European)"));
        break;
    case CXCsvReader::Encoding::Utf16LE:
    case CXCsvReader::Encoding::Utf16BE:
        m_notes.append(QStringLiteral("the file is UTF-16; it was read as such"));
        break;
    case CXCsvReader::Encoding::Utf8:
        break;
    }
    CXCsvReader* csv = m_pCsv.get();
    return Open([csv](CsvRecord& record) { return csv->Next(record); }, QFileInfo(csvPath).absolutePath(),
                [csv] { csv->Rewind(); });
}

bool CXListingSheetReader::Open(std::function<bool(CsvRecord&)> next, const QString& baseFolder,
                                std::function<void()> rewind)
{
    State& state = *m_pState;
    state.next = std::move(next);
    state.rewind = std::move(rewind);
    state.base = QDir(baseFolder);
    state.pictures.SetRoots(QStringList{baseFolder} + state.pictureRoots);
    CsvRecord headerRecord;
    if (!state.FirstFilled(headerRecord)) {
        m_strError = QStringLiteral("the file is empty: it needs a header row naming the columns (%1)")
                         .arg(ListingColumns().join(QStringLiteral(", ")));
        return false;
    }
    state.headerLine = headerRecord.line;
    const QString where = QStringLiteral("line %1: ").arg(headerRecord.line);
    if (!headerRecord.error.isEmpty()) {
        m_strError = where + QStringLiteral("the header row: ") + headerRecord.error;
        return false;
    }
    const QStringList names = ListingColumns();
    Header& header = state.header;
    std::array<bool, ColumnCount> present{};
    for (const QString& cell : std::as_const(headerRecord.cells)) {
        QString name = cell.trimmed().toLower();
        name.remove(QChar(0xFEFF)); // a second byte-order mark, as some tools write
        const int column = int(names.indexOf(name));
        header.columnOf.append(column);
        header.unnamed.append(name.isEmpty());
        if (column >= 0) {
            if (present[size_t(column)]) {
                m_strError = where + QStringLiteral("the column %1 is named twice").arg(name);
                return false;
            }
            present[size_t(column)] = true;
        } else if (!name.isEmpty()) {
            m_problems.append(where + QStringLiteral("unknown column \"%1\" is ignored (the columns are %2)")
                                          .arg(cell.trimmed(), names.join(QStringLiteral(", "))));
        }
    }
    QStringList missing;
    for (int column = 0; column < ColumnCount; ++column) {
        if (IsRequired(column) && !present[size_t(column)])
            missing.append(names.at(column));
    }
    if (!missing.isEmpty()) {
        m_strError =
            where + QStringLiteral("the header row lacks the required column%1 %2, so no row can be made")
                        .arg(missing.size() > 1 ? QStringLiteral("s") : QString(), missing.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

bool CXListingSheetReader::NextFilled(CsvRecord& record)
{
    State& state = *m_pState;
    if (!m_strError.isEmpty() || !state.next)
        return false;
    while (state.next(record)) {
        if (!IsBlank(record))
            return true;
    }
    return false;
}

bool CXListingSheetReader::Next(ListingRow& row)
{
    CsvRecord record;
    if (!NextFilled(record))
        return false;
    const State& state = *m_pState;
    row = ListingRow();
    row.line = record.line;
    row.flyer.Reset();
    ReadRow(record, state.header, state.base, state.pictures, row);
    return true;
}

bool CXListingSheetReader::NextLine(int& line)
{
    CsvRecord record;
    if (!NextFilled(record))
        return false;
    line = record.line;
    return true;
}

int CXListingSheetReader::RowCount(int firstLine, int lastLine)
{
    State& state = *m_pState;
    if (!m_strError.isEmpty() || !state.next || !state.rewind)
        return 0;
    // Counting reads every record once more; the rows then start again from the first.
    const auto toFirstRow = [&] {
        state.rewind();
        CsvRecord record;
        state.FirstFilled(record);
    };
    toFirstRow();
    int count = 0;
    CsvRecord record;
    while (state.next(record)) {
        if (!IsBlank(record) && record.line >= firstLine && record.line <= lastLine)
            ++count;
    }
    toFirstRow();
    return count;
}

ListingSheet ReadListingSheet(const QList<CsvRecord>& records, const QString& baseFolder)
{
    qsizetype index = 0;
    CXListingSheetReader reader;
    ListingSheet sheet;
    const bool opened = reader.Open(
        [&](CsvRecord& record) {
            if (index >= records.size())
                return false;
            record = records.at(index++);
            return true;
        },
        baseFolder);
    sheet.problems = reader.Problems();
    if (!opened) {
        sheet.error = reader.Error();
        return sheet;
    }
    ListingRow row;
    while (reader.Next(row))
        sheet.rows.append(std::move(row));
    return sheet;
}

ListingSheet ReadListingSheet(const QString& csvPath)
{
    CXListingSheetReader reader;
    ListingSheet sheet;
    const bool opened = reader.Open(csvPath);
    sheet.notes = reader.Notes();
    sheet.problems = reader.Problems();
    if (!opened) {
        sheet.error = reader.Error();
        return sheet;
    }
    ListingRow row;
    while (reader.Next(row))
        sheet.rows.append(std::move(row));
    return sheet;
}

QString SafeFlyerFileName(const QString& name)
{
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name) {
        const bool refused = c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c);
        safe += refused ? QLatin1Char('_') : c;
    }
    safe = safe.trimmed();
    // Windows drops trailing dots and blanks; a leading dot hides the file (and ".." climbs).
    while (safe.endsWith(QLatin1Char('.')) || safe.endsWith(QLatin1Char(' ')))
        safe.chop(1);
    while (safe.startsWith(QLatin1Char('.')) || safe.startsWith(QLatin1Char(' ')))
        safe.remove(0, 1);

    while (safe.toUtf8().size() > kMaxNameBytes) {
        safe.chop(1);
        if (!safe.isEmpty() && safe.back().isHighSurrogate())
            safe.chop(1);
    }
    safe = safe.trimmed();
    if (safe.isEmpty())
        return QStringLiteral("Flyer");

    static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                         QStringLiteral("NUL")};
    const QString stem = safe.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool device =
        reserved.contains(stem) ||
        (stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
         stem.at(3) >= QLatin1Char('1') && stem.at(3) <= QLatin1Char('9'));
    if (device)
        safe.prepend(QLatin1Char('_'));
    return safe;
}

QString UniqueFlyerFileName(const QString& name, QSet<QString>& taken)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString candidate = name;
    for (int number = 2; taken.contains(candidate.toCaseFolded()); ++number)
        candidate = QStringLiteral("%1 (%2)%3").arg(base).arg(number).arg(extension);
    taken.insert(candidate.toCaseFolded());
    return candidate;
}

bool ParseBatchRowRange(const QString& text, BatchRowRange& range)
{
    const QString trimmed = text.trimmed();
    const qsizetype dash = trimmed.indexOf(QLatin1Char('-'));
    const QString firstText = dash < 0 ? trimmed : trimmed.left(dash).trimmed();
    const QString lastText = dash < 0 ? trimmed : trimmed.mid(dash + 1).trimmed();
    bool ok = false;
    BatchRowRange parsed;
    parsed.first = firstText.toInt(&ok);
    if (!ok || parsed.first < 1)
        return false;
    if (dash >= 0 && lastText.isEmpty()) {
        range = parsed;
        return true;
    }
    parsed.last = lastText.toInt(&ok);
    if (!ok || parsed.last < parsed.first)
        return false;
    range = parsed;
    return true;
}

QString BatchRowStatusName(BatchRowStatus status)
{
    switch (status) {
    case BatchRowStatus::Made:
        return QStringLiteral("made");
    case BatchRowStatus::Exists:
        return QStringLiteral("exists");
    case BatchRowStatus::Interrupted:
        return QStringLiteral("interrupted");
    case BatchRowStatus::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QByteArray BatchReportEntryJson(const BatchRowReport& report)
{
    QJsonArray problems;
    for (const QString& problem : report.problems)
        problems.append(problem);
    QJsonArray findings;
    for (const CXFinding& finding : report.findings)
        findings.append(QJsonObject{{QStringLiteral("rule"), finding.rule},
                                    {QStringLiteral("field"), finding.field},
                                    {QStringLiteral("level"), LevelName(finding.level)},
                                    {QStringLiteral("message"), finding.message}});
    const QJsonObject entry{
        {QStringLiteral("line"), report.line},  {QStringLiteral("status"), BatchRowStatusName(report.status)},
        {QStringLiteral("file"), report.file},  {QStringLiteral("problems"), problems},
        {QStringLiteral("findings"), findings}, {QStringLiteral("seconds"), std::round(report.seconds * 1000) / 1000}};
    return QJsonDocument(entry).toJson(QJsonDocument::Compact);
}

QByteArray BatchReportJson(const QList<QByteArray>& entries)
{
    QByteArray json("[");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        json += i == 0 ? "\n" : ",\n";
        json += entries.at(i);
    }
    json += "\n]\n";
    return json;
}

QString BatchProgressText(int done, int total, int failed, qint64 elapsedMs)
{
    QString text = QStringLiteral("%1/%2 flyers").arg(done).arg(total);
    if (done > 0 && elapsedMs > 0) {
        const double perSecond = done * 1000.0 / double(elapsedMs);
        // The C locale's decimal point, as in every other number the program prints.
        text += QStringLiteral(", %1/s").arg(QString::number(perSecond, 'f', 1));
        const qint64 left = qint64(std::ceil((total - done) / perSecond));
        text += QStringLiteral(", %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    if (failed > 0)
        text += QStringLiteral(", %1 failed").arg(failed);
    return text;
}

QString BatchWorkFolderTemplate(const QString& tempFolder)
{
    return QDir(tempFolder).filePath(QStringLiteral("listora-batch-%1-XXXXXX").arg(QCoreApplication::applicationPid()));
}

int RemoveDeadBatchFolders(const QString& tempFolder)
{
    static const QRegularExpression kWithOwner(QStringLiteral("^listora-batch-(\\d+)-[A-Za-z0-9]{6}$"));
    static const QRegularExpression kOlder(QStringLiteral("^listora-batch-[A-Za-z0-9]{6}$"));
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    int removed = 0;
    const QFileInfoList folders =
        QDir(tempFolder)
            .entryInfoList({QStringLiteral("listora-batch-*")}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo& folder : folders) {
#ifdef Q_OS_UNIX
        if (folder.ownerId() != ::getuid())
            continue;
#endif
        bool dead = false;
        if (const QRegularExpressionMatch match = kWithOwner.match(folder.fileName()); match.hasMatch()) {
            const qint64 pid = match.captured(1).toLongLong();
            if (pid == QCoreApplication::applicationPid())
                continue;
#ifdef Q_OS_UNIX
            dead = pid > 0 && pid <= std::numeric_limits<pid_t>::max() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
        } else if (kOlder.match(folder.fileName()).hasMatch()) {
            dead = folder.lastModified().toUTC() < dayAgo;
        }
        if (dead && QDir(folder.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}
