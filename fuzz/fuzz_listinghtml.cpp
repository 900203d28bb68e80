#include "compose/listinghtml.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// Any text as a listing field. What comes out is clean already, and the only markup in it is a
// kept tag in its written-back form, balanced: no comment, style, script, "</body>" or other tag
// survives as markup.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The first byte picks the kind of field.
    const ListingHtml kind = size == 0 ? ListingHtml::Paragraphs : ListingHtml(data[0] % 3);
    const QString text = QString::fromUtf8(size == 0 ? bytes : bytes.sliced(1));
    const QString clean = CleanListingHtml(text, kind);
    Check(CleanListingHtml(clean, kind) == clean);
    if (!text.contains(QLatin1Char('<')))
        Check(clean == text);

    static const QRegularExpression tag(QStringLiteral(
        "\\G<(/?)(b|strong|i|em|u|s|sub|sup|small|br|span|font|p|div|ul|ol|li)((?: [a-z]+=\"[^\"<>&`\\\\]*\")*)>"));
    QList<QString> open;
    qsizetype at = clean.indexOf(QLatin1Char('<'));
    while (at >= 0) {
        const QRegularExpressionMatch m = tag.match(clean, at);
        Check(m.hasMatch());
        const QString name = m.captured(2);
        const bool block = name == QLatin1String("p") || name == QLatin1String("div") || name == QLatin1String("ul") ||
                           name == QLatin1String("ol") || name == QLatin1String("li");
        Check(kind == ListingHtml::Paragraphs || !block);
        Check(kind != ListingHtml::OneLine || name != QLatin1String("br"));
        if (!m.captured(1).isEmpty()) {
            Check(m.captured(3).isEmpty() && !open.isEmpty() && open.last() == name);
            open.removeLast();
        } else if (name != QLatin1String("br")) {
            open.append(name);
        }
        at = clean.indexOf(QLatin1Char('<'), m.capturedEnd());
    }
    Check(open.isEmpty());
    return 0;
}
