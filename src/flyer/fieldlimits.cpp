#include "flyer/fieldlimits.h"

#include "flyer/flyerdata.h"
#include "flyer/formatting.h"

qsizetype ListingTextLimit(ListingText field)
{
    return field == ListingText::Description ? kMaxDescriptionLength : kMaxListingTextLength;
}

QString ListingTextName(ListingText field)
{
    switch (field) {
    case ListingText::Caption:
        return QStringLiteral("Listing Caption");
    case ListingText::MLSNumber:
        return QStringLiteral("MLS Number");
    case ListingText::Price:
        return QStringLiteral("Listing Price");
    case ListingText::Address:
        return QStringLiteral("Listing Address");
    case ListingText::CityStateZip:
        return QStringLiteral("City, State, Zip");
    case ListingText::Description:
        return QStringLiteral("Listing Description");
    case ListingText::Feature1:
    case ListingText::Feature2:
    case ListingText::Feature3:
    case ListingText::Feature4:
        return QStringLiteral("Listing Feature #%1").arg(int(field) - int(ListingText::Feature1) + 1);
    }
    return QString();
}

const QString& ListingTextOf(const CFlyerData& flyer, ListingText field)
{
    switch (field) {
    case ListingText::Caption:
        return flyer.m_strCaption;
    case ListingText::MLSNumber:
        return flyer.m_strMLS;
    case ListingText::Price:
        return flyer.m_strPrice;
    case ListingText::Address:
        return flyer.m_strAddress;
    case ListingText::CityStateZip:
        return flyer.m_strCityStateZip;
    case ListingText::Description:
        break;
    case ListingText::Feature1:
    case ListingText::Feature2:
    case ListingText::Feature3:
    case ListingText::Feature4:
        return flyer.m_strFeatures[size_t(int(field) - int(ListingText::Feature1))];
    }
    return flyer.m_strDescription;
}

std::optional<ListingTextTooLong> CheckListingTextLength(ListingText field, const QString& stored)
{
    const qsizetype limit = ListingTextLimit(field);
    if (stored.size() <= limit)
        return std::nullopt;
    return ListingTextTooLong{field, stored.size(), limit};
}

std::optional<ListingTextTooLong> FirstTooLongText(const CFlyerData& flyer)
{
    for (int i = 0; i < kListingTextCount; ++i) {
        const auto field = ListingText(i);
        if (auto failure = CheckListingTextLength(field, ListingTextOf(flyer, field)))
            return failure;
    }
    return std::nullopt;
}

QString TooLongMessage(const QString& name, const ListingTextTooLong& failure)
{
    return QStringLiteral("%1 holds %2 characters; at most %3 are allowed")
        .arg(name, FormatThousands(failure.length), FormatThousands(failure.limit));
}
