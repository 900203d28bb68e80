#include "flyer/detailschecks.h"

#include "flyer/fieldlimits.h"
#include "flyer/formatting.h"

#include <QFileInfo>

#include <utility>

static_assert(int(DetailsField::Description) == int(ListingText::Description),
              "the first fields are in the same order");

std::optional<DetailsCheckFailure> CheckFlyerDetails(const FlyerDetailsInput& input)
{
    // Only a feature line that came from the project file can be too long: the edits refuse more.
    static constexpr DetailsField featureFields[4] = {DetailsField::Feature1, DetailsField::Feature2,
                                                      DetailsField::Feature3, DetailsField::Feature4};
    for (int i = 0; i < 4; ++i) {
        if (input.features[i].size() > kMaxFeatureLength) {
            return DetailsCheckFailure{QStringLiteral("Enter no more than %1 characters.").arg(kMaxFeatureLength),
                                       featureFields[i], true, kMaxFeatureLength};
        }
    }

    // Counted as stored, with "<br>" for each line break of the description.
    const std::pair<ListingText, QString> texts[] = {
        {ListingText::Caption, input.caption},
        {ListingText::MLSNumber, input.mlsNumber},
        {ListingText::Price, input.price},
        {ListingText::Address, input.address},
        {ListingText::CityStateZip, input.cityStateZip},
        {ListingText::Description, DescriptionFromEdit(input.description)},
    };
    for (const auto& [field, text] : texts) {
        if (const auto tooLong = CheckListingTextLength(field, text)) {
            return DetailsCheckFailure{
                TooLongMessage(QStringLiteral("The '%1'").arg(ListingTextName(field)), *tooLong) +
                    QStringLiteral(". Please shorten it."),
                DetailsField(int(field)), true, tooLong->limit};
        }
    }

    const struct
    {
        const QString& value;
        const char* message;
        DetailsField focus;
    } required[] = {
        {input.caption, "Please provide a 'Listing Caption.'", DetailsField::Caption},
        {input.mlsNumber, "Please provide an 'MLS Number.'", DetailsField::MLSNumber},
        {input.price, "Please enter in a 'Listing Price.'", DetailsField::Price},
        {input.address, "Please provide a 'Listing Address.'", DetailsField::Address},
        {input.cityStateZip, "Please enter in the 'City, State && Zipcode (Postal Code)' for this flyer.",
         DetailsField::CityStateZip},
        {input.description, "Please provide a 'Listing Description.'", DetailsField::Description},
    };
    // Blanks count as content: only a field with no characters at all is missing.
    for (const auto& field : required) {
        if (field.value.isEmpty())
            return DetailsCheckFailure{QString::fromLatin1(field.message), field.focus, false};
    }
    if (!input.hasMainPhoto) {
        return DetailsCheckFailure{QStringLiteral("Please choose a main photo for this flyer project."),
                                   DetailsField::MainPhotoButton, false};
    }
    return std::nullopt;
}

PhotoMinimum PhotoMinimumForSlot(int slot)
{
    return slot == 1 ? PhotoMinimum{750, 500} : PhotoMinimum{550, 350};
}

QString PhotoOrientationWord(int orientation)
{
    switch (orientation) {
    case 0:
        return QStringLiteral("Portrait");
    case 1:
        return QStringLiteral("Landscape");
    case 2:
        return QStringLiteral("Equal Width & Height");
    default:
        return QStringLiteral("N/A");
    }
}

QString CheckListingPhoto(int slot, const QString& path, bool infoOk, int width, int height, int orientation)
{
    const PhotoMinimum minimum = PhotoMinimumForSlot(slot);
    if (infoOk && width > height && width > minimum.width && height > minimum.height)
        return QString();

    const QString note = QStringLiteral("NOTE: The photo you selected '%1' properties are (Width: %2, Height: %3 and "
                                        "%4 orientation).")
                             .arg(QFileInfo(path).fileName(), FormatCount(width, QStringLiteral("pixel")),
                                  FormatCount(height, QStringLiteral("pixel")), PhotoOrientationWord(orientation));
    const QString intro =
        slot == 1 ? QStringLiteral("The Main listing photo") : QStringLiteral("Secondary listing photos");
    const QString indent(5, QLatin1Char(' '));
    return intro + QStringLiteral(" should have the following minimum properties:\n\n") + indent +
           QStringLiteral("Width: ") + FormatThousands(minimum.width) + QStringLiteral(" pixels\n") + indent +
           QStringLiteral("Height: ") + FormatThousands(minimum.height) + QStringLiteral(" pixels\n") + indent +
           QStringLiteral("Orientation: Landscape (Width > Height).\n\nPlease select another photo.\n\n") + note;
}

QString DescriptionForEdit(const QString& stored)
{
    QString text = stored;
    text.replace(QLatin1String("<br>"), QLatin1String("\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString DescriptionFromEdit(const QString& edited)
{
    QString text = edited;
    text.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    text.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    text.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    return text;
}

QString FeatureCountText(const QString& feature)
{
    return QStringLiteral("%1/%2").arg(feature.size()).arg(kMaxFeatureLength);
}
