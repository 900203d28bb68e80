#include "compose/listinghtml.h"

#include <QList>
#include <QStringList>

namespace {

// A kept tag longer than this is taken as text: no markup the allow-list keeps needs more, and
// a bound keeps a text full of "<b x" without ">" from being scanned to its end once per "<".
constexpr qsizetype kMaxTagLength = 1024;

enum class Attr
{
    None,
    FontColor,
    FontFace,
    FontSize,
    Align,
    Style,
};

struct TagRule
{
    QLatin1StringView name;
    bool isVoid;
    bool isBlock; // closes an open p, as the page's parser does
    bool fontAttrs;
    bool blockAttrs;
    bool style;
};

const TagRule kTags[] = {
    {QLatin1StringView("b"), false, false, false, false, false},
    {QLatin1StringView("strong"), false, false, false, false, false},
    {QLatin1StringView("i"), false, false, false, false, false},
    {QLatin1StringView("em"), false, false, false, false, false},
    {QLatin1StringView("u"), false, false, false, false, false},
    {QLatin1StringView("s"), false, false, false, false, false},
    {QLatin1StringView("sub"), false, false, false, false, false},
    {QLatin1StringView("sup"), false, false, false, false, false},
    {QLatin1StringView("small"), false, false, false, false, false},
    {QLatin1StringView("br"), true, false, false, false, false},
    {QLatin1StringView("span"), false, false, false, false, true},
    {QLatin1StringView("font"), false, false, true, false, false},
    {QLatin1StringView("p"), false, true, false, true, true},
    {QLatin1StringView("div"), false, true, false, true, true},
    {QLatin1StringView("ul"), false, true, false, false, false},
    {QLatin1StringView("ol"), false, true, false, false, false},
    {QLatin1StringView("li"), false, true, false, false, false},
};

const TagRule* FindTag(QStringView name)
{
    for (const TagRule& rule : kTags) {
        if (name.compare(rule.name, Qt::CaseInsensitive) == 0)
            return &rule;
    }
    return nullptr;
}

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool IsAsciiAlnum(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Words, numbers, "#" colours, lists and quoted family names; no parenthesis (so no url()), no
// backslash, no quote that could end the attribute.
bool IsPlainValue(QStringView value)
{
    if (value.isEmpty())
        return false;
    for (const QChar c : value) {
        if (!IsAsciiAlnum(c) && c != u' ' && c != u'#' && c != u',' && c != u'.' && c != u'%' && c != u'-' &&
            c != u'\'' && c != u'_')
            return false;
    }
    return true;
}

// rgb(), rgba(), hsl() and hsla() of plain numbers.
bool IsColourFunction(QStringView value)
{
    static const QLatin1StringView kFunctions[] = {QLatin1StringView("rgb("), QLatin1StringView("rgba("),
                                                   QLatin1StringView("hsl("), QLatin1StringView("hsla(")};
    for (const QLatin1StringView function : kFunctions) {
        if (!value.startsWith(function, Qt::CaseInsensitive) || !value.endsWith(u')'))
            continue;
        const QStringView inner = value.sliced(function.size(), value.size() - function.size() - 1);
        for (const QChar c : inner) {
            if (!(c >= u'0' && c <= u'9') && c != u' ' && c != u',' && c != u'.' && c != u'%')
                return false;
        }
        return true;
    }
    return false;
}

// Keeps the declarations that only colour or weight the field's own text; anything that could
// place it elsewhere on the page (position, size, margins) or fetch something is left out.
QString CleanStyle(QStringView style)
{
    static const QLatin1StringView kProperties[] = {
        QLatin1StringView("color"),       QLatin1StringView("background-color"), QLatin1StringView("font-weight"),
        QLatin1StringView("font-style"),  QLatin1StringView("text-decoration"),  QLatin1StringView("text-align"),
        QLatin1StringView("font-family"),
    };
    QStringList kept;
    for (const QStringView declaration : style.split(u';')) {
        const qsizetype colon = declaration.indexOf(u':');
        if (colon < 0)
            continue;
        const QString property = declaration.first(colon).trimmed().toString().toLower();
        const QStringView value = declaration.sliced(colon + 1).trimmed();
        bool known = false;
        for (const QLatin1StringView name : kProperties)
            known = known || property == name;
        if (known && (IsPlainValue(value) || IsColourFunction(value)))
            kept.append(property + QStringLiteral(": ") + value.toString());
    }
    return kept.join(QStringLiteral("; "));
}

// The attribute as it is written back, or empty when it is not kept.
QString CleanAttribute(const TagRule& tag, const QString& name, QStringView value)
{
    // Nothing kept needs a character reference or a quote; leaving them out keeps the written
    // value the same when it is read again.
    for (const QChar c : value) {
        if (c == u'&' || c == u'"' || c == u'<' || c == u'>' || c == u'`' || c == u'\\')
            return QString();
    }
    const auto written = [&](const QString& v) {
        return v.isEmpty() ? QString() : name + QStringLiteral("=\"") + v + QLatin1Char('"');
    };
    if (tag.fontAttrs && (name == QLatin1String("color") || name == QLatin1String("face")))
        return IsPlainValue(value) ? written(value.toString()) : QString();
    if (tag.fontAttrs && name == QLatin1String("size")) {
        const QStringView digits = value.startsWith(u'+') || value.startsWith(u'-') ? value.sliced(1) : value;
        return digits.size() == 1 && digits.at(0) >= u'1' && digits.at(0) <= u'7' ? written(value.toString())
                                                                                  : QString();
    }
    if (tag.blockAttrs && name == QLatin1String("align")) {
        const QString align = value.toString().toLower();
        for (const char* allowed : {"left", "right", "center", "justify"}) {
            if (align == QLatin1String(allowed))
                return written(align);
        }
        return QString();
    }
    if (tag.style && name == QLatin1String("style"))
        return written(CleanStyle(value));
    return QString();
}

struct Tag
{
    const TagRule* rule = nullptr;
    bool closing = false;
    QStringList attributes; // as written back
    qsizetype end = 0;      // just past the ">"
};

// Reads the tag that starts with the "<" at pos, if it is one of the kept ones.
bool ReadKeptTag(const QString& text, qsizetype pos, Tag& tag)
{
    const qsizetype size = text.size();
    const qsizetype limit = qMin(size, pos + kMaxTagLength);
    qsizetype i = pos + 1;
    tag.closing = i < limit && text.at(i) == u'/';
    if (tag.closing)
        ++i;
    const qsizetype nameStart = i;
    while (i < limit && IsAsciiAlnum(text.at(i)))
        ++i;
    if (i == nameStart || i >= limit)
        return false;
    const QChar after = text.at(i);
    if (!IsSpace(after) && after != u'/' && after != u'>')
        return false;
    tag.rule = FindTag(QStringView(text).sliced(nameStart, i - nameStart));
    if (!tag.rule)
        return false;

    QStringList names;
    while (i < limit) {
        const QChar c = text.at(i);
        if (IsSpace(c) || c == u'/') {
            ++i;
            continue;
        }
        if (c == u'>') {
            tag.end = i + 1;
            return true;
        }
        // An attribute: name, then perhaps "=" and a value in double, single or no quotes.
        const qsizetype attrStart = i;
        ++i; // a first "=" belongs to the name
        while (i < limit && !IsSpace(text.at(i)) && text.at(i) != u'/' && text.at(i) != u'>' && text.at(i) != u'=')
            ++i;
        const QString name = text.sliced(attrStart, i - attrStart).toLower();
        qsizetype j = i;
        while (j < limit && IsSpace(text.at(j)))
            ++j;
        QStringView value;
        if (j < limit && text.at(j) == u'=') {
            ++j;
            while (j < limit && IsSpace(text.at(j)))
                ++j;
            if (j >= limit)
                return false;
            const QChar quote = text.at(j);
            if (quote == u'"' || quote == u'\'') {
                const qsizetype close = QStringView(text).first(limit).indexOf(quote, j + 1);
                if (close < 0)
                    return false;
                value = QStringView(text).sliced(j + 1, close - j - 1);
                i = close + 1;
            } else {
                const qsizetype valueStart = j;
                while (j < limit && !IsSpace(text.at(j)) && text.at(j) != u'>')
                    ++j;
                value = QStringView(text).sliced(valueStart, j - valueStart);
                i = j;
            }
        }
        // The first of two equal names counts, as in the page.
        if (!tag.closing && !names.contains(name)) {
            names.append(name);
            const QString kept = CleanAttribute(*tag.rule, name, value);
            if (!kept.isEmpty())
                tag.attributes.append(kept);
        }
    }
    return false;
}

class Writer
{
public:
    explicit Writer(qsizetype reserve) { m_out.reserve(reserve); }

    void Text(QStringView text) { m_out += text; }

    void Open(const Tag& tag)
    {
        const TagRule& rule = *tag.rule;
        if (rule.isBlock)
            CloseThrough(QLatin1StringView("p"), {});
        if (rule.name == QLatin1StringView("li"))
            CloseThrough(rule.name, {QLatin1StringView("ul"), QLatin1StringView("ol")});
        m_out += u'<';
        m_out += rule.name;
        for (const QString& attribute : tag.attributes) {
            m_out += u' ';
            m_out += attribute;
        }
        m_out += u'>';
        if (!rule.isVoid)
            m_open.append(&rule);
    }

    void Close(const TagRule& rule)
    {
        // A closer with nothing open to close is dropped.
        CloseThrough(rule.name, {});
    }

    QString Finish()
    {
        while (!m_open.isEmpty())
            WriteCloser(*m_open.takeLast());
        return std::move(m_out);
    }

private:
    // Closes the innermost open element of that name and everything opened inside it, unless an
    // element named in stops comes first.
    void CloseThrough(QLatin1StringView name, std::initializer_list<QLatin1StringView> stops)
    {
        for (qsizetype i = m_open.size() - 1; i >= 0; --i) {
            const QLatin1StringView open = m_open.at(i)->name;
            if (open == name) {
                while (m_open.size() > i)
                    WriteCloser(*m_open.takeLast());
                return;
            }
            for (const QLatin1StringView stop : stops) {
                if (open == stop)
                    return;
            }
        }
    }

    void WriteCloser(const TagRule& rule)
    {
        m_out += QLatin1StringView("</");
        m_out += rule.name;
        m_out += u'>';
    }

    QString m_out;
    QList<const TagRule*> m_open;
};

} // namespace

QString CleanListingHtml(const QString& text, ListingHtml kind)
{
    qsizetype lt = text.indexOf(u'<');
    if (lt < 0)
        return text;
    Writer writer(text.size() + 16);
    qsizetype pos = 0;
    while (lt >= 0) {
        writer.Text(QStringView(text).sliced(pos, lt - pos));
        Tag tag;
        if (ReadKeptTag(text, lt, tag)) {
            const bool dropped = (tag.rule->isBlock && kind != ListingHtml::Paragraphs) ||
                                 (tag.rule->isVoid && kind == ListingHtml::OneLine);
            if (!dropped && tag.closing)
                writer.Close(*tag.rule);
            else if (!dropped)
                writer.Open(tag);
            pos = tag.end;
        } else {
            writer.Text(u"&lt;");
            pos = lt + 1;
        }
        lt = text.indexOf(u'<', pos);
    }
    writer.Text(QStringView(text).sliced(pos));
    return writer.Finish();
}
