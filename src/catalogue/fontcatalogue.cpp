#include "catalogue/fontcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QScopeGuard>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

bool IsAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

QString FoldCase(QStringView text)
{
    return text.toString().toCaseFolded();
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The metric-compatible families fontconfig binds strongly to a name (Arial: Liberation Sans ...), in
// its order; generic fallbacks, bound weakly, end the list.
QStringList StrongAliases(const QString& name)
{
    QStringList aliases;
    FcPattern* pattern = FcPatternCreate();
    const QByteArray utf8 = name.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcValue value;
    FcValueBinding binding;
    // The name itself comes first.
    for (int i = 1; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i) {
        if (binding == FcValueBindingWeak)
            break;
        if (value.type == FcTypeString)
            aliases.append(QString::fromUtf8(reinterpret_cast<const char*>(value.u.s)));
    }
    FcPatternDestroy(pattern);
    return aliases;
}

// Whether a glyph name says the glyph is some other character than the letter it is mapped to:
// "Alpha" or "uni0391" under "A" does, "A", "A.ss01", "uni0041" and numbered names ("glyph36",
// "cid00034") do not.
bool NamesAnotherGlyph(const QByteArray& glyphName, char letter)
{
    static const QRegularExpression numbered(QStringLiteral("^(glyph|gid|cid|index|g|c)?[0-9]+$"));
    const QByteArray base = glyphName.left(glyphName.indexOf('.') < 0 ? glyphName.size() : glyphName.indexOf('.'));
    if (base.isEmpty() || base == QByteArray(1, letter))
        return false;
    const QByteArray code = QByteArray::number(static_cast<unsigned char>(letter), 16).toUpper().rightJustified(4, '0');
    if (base.toUpper() == "UNI" + code || base.toUpper() == "U" + code)
        return false;
    return !numbered.match(QString::fromLatin1(base)).hasMatch();
}

// Symbol and dingbat faces map the Latin letters to other pictures (Standard Symbols PS draws "A"
// as a Greek Alpha, D050000L as a dingbat), and fontconfig still counts them as Latin. Their glyph
// names tell: a face whose letters mostly carry other characters' names has no Latin letters.
bool HasLatinLetters(const QByteArray& file, int index)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return true;
    const auto done = qScopeGuard([&] { FT_Done_FreeType(library); });
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.constData(), index, &face) != 0)
        return true;
    const auto closeFace = qScopeGuard([&] { FT_Done_Face(face); });
    int missing = 0, renamed = 0;
    for (const char* letters : {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"}) {
        for (const char* c = letters; *c; ++c) {
            const FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong(*c));
            if (glyph == 0) {
                ++missing;
                continue;
            }
            char name[64] = {};
            if (FT_HAS_GLYPH_NAMES(face) && FT_Get_Glyph_Name(face, glyph, name, sizeof name) == 0 &&
                NamesAnotherGlyph(QByteArray(name), *c))
                ++renamed;
        }
    }
    return missing + renamed < 26;
}

// The URW faces come as Type 1 and as OpenType (CFF) files, and the page engine writes either
// into a PDF only as Type 3 glyph pictures. The build makes TrueType copies of the OpenType files
// (data folder, "Fonts"); with them in place the other two files of a face are left out.
// Wine's Tahoma Bold carries the regular outlines on bold widths (letter-spaced regular text);
// without it, bold Tahoma is made from the regular face, as for any family without a bold face.
QByteArray FontRules(const QStringList& copiedFaces)
{
    QByteArray rules = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <selectfont>
    <rejectfont>
      <pattern>
        <patelt name="fontformat"><string>Type 1</string></patelt>
      </pattern>
      <pattern>
        <patelt name="family"><string>Tahoma</string></patelt>
        <patelt name="foundry"><string>Wine</string></patelt>
        <patelt name="weight"><const>bold</const></patelt>
      </pattern>
)";
    for (const QString& face : copiedFaces)
        rules += "      <glob>*/" + face.toHtmlEscaped().toUtf8() + ".otf</glob>\n";
    rules += "    </rejectfont>\n  </selectfont>\n</fontconfig>\n";
    return rules;
}

// The installed data folder, found before the application object exists.
QString DataFolderAtStart()
{
    const QString fromEnv = qEnvironmentVariable("LISTORA_DATA_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    return program.canonicalPath() + QStringLiteral("/../share/listora");
}

} // namespace

bool ApplyFontRules()
{
    const QDir copies(DataFolderAtStart() + QStringLiteral("/Fonts"));
    QStringList faces;
    for (const QFileInfo& file : copies.entryInfoList({QStringLiteral("*.ttf")}, QDir::Files))
        faces.append(file.completeBaseName());

    // FONTCONFIG_FILE and the user's own files still count: the rules go on top of them.
    FcConfig* config = FcInitLoadConfig();
    if (!config)
        return false;
    const auto release = qScopeGuard([config] { FcConfigDestroy(config); });
    const QByteArray rules = FontRules(faces);
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rules.constData()), FcTrue) ||
        !FcConfigBuildFonts(config))
        return false;
    if (!faces.isEmpty()) {
        const QByteArray folder = QFile::encodeName(copies.absolutePath());
        FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(folder.constData()));
    }
    // The current configuration keeps a reference of its own.
    return FcConfigSetCurrent(config);
}

int StrCmpLogical(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsAsciiDigit(a[i]) && IsAsciiDigit(b[j])) {
            const qsizetype startA = i, startB = j;
            while (i < a.size() && IsAsciiDigit(a[i]))
                ++i;
            while (j < b.size() && IsAsciiDigit(b[j]))
                ++j;
            // Compare by value without converting, so no run is too long: drop leading zeros, then
            // the longer run is the larger number, and equal lengths compare digit by digit.
            qsizetype valueA = startA, valueB = startB;
            while (valueA < i - 1 && a[valueA] == QLatin1Char('0'))
                ++valueA;
            while (valueB < j - 1 && b[valueB] == QLatin1Char('0'))
                ++valueB;
            if (i - valueA != j - valueB)
                return i - valueA < j - valueB ? -1 : 1;
            for (qsizetype k = 0; k < i - valueA; ++k) {
                if (a[valueA + k] != b[valueB + k])
                    return a[valueA + k] < b[valueB + k] ? -1 : 1;
            }
            // Same value written differently ("07" and "7"): the one with more zeros first, so the
            // two stay distinct texts.
            if (i - startA != j - startB)
                return i - startA > j - startB ? -1 : 1;
            continue;
        }
        const char16_t ca = a[i].toCaseFolded().unicode();
        const char16_t cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

CXSStringArray::CXSStringArray(const QStringList& texts)
{
    for (const QString& text : texts)
        Add(text);
}

int CXSStringArray::Add(const QString& text)
{
    int index = 0;
    if (!Find(text, &index))
        m_items.insert(index, text);
    return index;
}

bool CXSStringArray::Find(QStringView text, int* index) const
{
    int low = 0, high = int(m_items.size());
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const int order = StrCmpLogical(m_items.at(middle), text);
        if (order == 0) {
            if (index)
                *index = middle;
            return true;
        }
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (index)
        *index = low;
    return false;
}

const QStringList& KnownFontNames()
{
    static const QStringList names = {
        QStringLiteral("Andale Mono"),
        QStringLiteral("Arial"),
        QStringLiteral("Arial Black"),
        QStringLiteral("Arial Narrow"),
        QStringLiteral("Arial Rounded MT Bold"),
        QStringLiteral("Arial Unicode MS"),
        QStringLiteral("Avant Garde"),
        QStringLiteral("Bell MT"),
        QStringLiteral("Berlin Sans FB"),
        QStringLiteral("Bernard MT Condensed"),
        QStringLiteral("Bodoni MT"),
        QStringLiteral("Bodoni MT Black"),
        QStringLiteral("Bodoni MT Condensed"),
        QStringLiteral("Bodoni MT Poster Compressed"),
        QStringLiteral("Book Antiqua"),
        QStringLiteral("Bradley Hand ITC"),
        QStringLiteral("Broadway"),
        QStringLiteral("Buxton Sketch"),
        QStringLiteral("Calibri"),
        QStringLiteral("Californian FB"),
        QStringLiteral("Calisto MT"),
        QStringLiteral("Cambria"),
        QStringLiteral("Candara"),
        QStringLiteral("Castellar"),
        QStringLiteral("Century Gothic"),
        QStringLiteral("Charcoal"),
        QStringLiteral("Colonna MT"),
        QStringLiteral("Comic Sans MS"),
        QStringLiteral("Consolas"),
        QStringLiteral("Constantia"),
        QStringLiteral("Cooper Black"),
        QStringLiteral("Copperplate Gothic Bold"),
        QStringLiteral("Copperplate Gothic Light"),
        QStringLiteral("Corbel"),
        QStringLiteral("Courier New"),
        QStringLiteral("Curlz MT"),
        QStringLiteral("Edwardian Script ITC"),
        QStringLiteral("Elephant"),
        QStringLiteral("Engravers MT"),
        QStringLiteral("Eras Bold ITC"),
        QStringLiteral("Eras Demi ITC"),
        QStringLiteral("Eras Light ITC"),
        QStringLiteral("Eras Medium ITC"),
        QStringLiteral("Felix Titling"),
        QStringLiteral("Franklin Gothic Book"),
        QStringLiteral("Franklin Gothic Demi"),
        QStringLiteral("Franklin Gothic Demi Cond"),
        QStringLiteral("Franklin Gothic Heavy"),
        QStringLiteral("Franklin Gothic Medium"),
        QStringLiteral("Franklin Gothic Medium Cond"),
        QStringLiteral("Futura"),
        QStringLiteral("Garamond"),
        QStringLiteral("Geneva"),
        QStringLiteral("Georgia"),
        QStringLiteral("Gill Sans MT"),
        QStringLiteral("Gill Sans MT Condensed"),
        QStringLiteral("Gill Sans Ultra Bold"),
        QStringLiteral("Gill Sans Ultra Bold Condensed"),
        QStringLiteral("Gloucester MT Extra Condensed"),
        QStringLiteral("Goudy Old Style"),
        QStringLiteral("Haettenschweiler"),
        QStringLiteral("Harlow Solid Italic"),
        QStringLiteral("Harrington"),
        QStringLiteral("Helvetica"),
        QStringLiteral("High Tower Text"),
        QStringLiteral("Impact"),
        QStringLiteral("Imprint MT Shadow"),
        QStringLiteral("Kristen ITC"),
        QStringLiteral("Lucida Bright"),
        QStringLiteral("Lucida Console"),
        QStringLiteral("Lucida Grande"),
        QStringLiteral("Lucida Sans Unicode"),
        QStringLiteral("Maiandra GD"),
        QStringLiteral("Matura MT Script Capitals"),
        QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Modern No. 20"),
        QStringLiteral("Monotype Corsiva"),
        QStringLiteral("MS Reference Sans Serif"),
        QStringLiteral("Nina"),
        QStringLiteral("OCR A Extended"),
        QStringLiteral("Old English Text MT"),
        QStringLiteral("Palatino Linotype"),
        QStringLiteral("Papyrus"),
        QStringLiteral("Perpetua"),
        QStringLiteral("Playbill"),
        QStringLiteral("Poor Richard"),
        QStringLiteral("Ravie"),
        QStringLiteral("Rockwell"),
        QStringLiteral("Rockwell Condensed"),
        QStringLiteral("Rockwell Extra Bold"),
        QStringLiteral("Script MT Bold"),
        QStringLiteral("Segoe Marker"),
        QStringLiteral("Segoe Print"),
        QStringLiteral("Segoe Script"),
        QStringLiteral("Segoe UI"),
        QStringLiteral("Segoe UI Light"),
        QStringLiteral("Segoe UI Semibold"),
        QStringLiteral("Segoe WP Black"),
        QStringLiteral("Segoe WP Semibold"),
        QStringLiteral("Showcard Gothic"),
        QStringLiteral("SketchFlow Print"),
        QStringLiteral("Tahoma"),
        QStringLiteral("Times New Roman"),
        QStringLiteral("Trebuchet MS"),
        QStringLiteral("Tw Cen MT"),
        QStringLiteral("Tw Cen MT Condensed"),
        QStringLiteral("Tw Cen MT Condensed Extra Bold"),
        QStringLiteral("Verdana"),
    };
    return names;
}

FontStyleChoice ChooseFontStyle(const FontStyles& styles)
{
    if (styles.bold)
        return FontStyleChoice::Bold;
    if (styles.regular)
        return FontStyleChoice::Regular;
    if (styles.boldItalic)
        return FontStyleChoice::BoldItalic;
    if (styles.italic)
        return FontStyleChoice::Italic;
    return FontStyleChoice::None;
}

int FontEntryPixelSize(int dpi)
{
    return (13 * dpi + 36) / 72;
}

QFont MakeFontForStyle(const QString& family, FontStyleChoice style, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(style == FontStyleChoice::Bold || style == FontStyleChoice::BoldItalic ? QFont::Bold
                                                                                          : QFont::Normal);
    font.setItalic(style == FontStyleChoice::BoldItalic || style == FontStyleChoice::Italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QString StripFoundry(const QString& family)
{
    if (family.endsWith(QLatin1Char(']'))) {
        const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
        if (open > 0)
            return family.left(open);
    }
    return family;
}

QList<InstalledFontFamily> CollectFontFamilies(const QList<FontFaceInfo>& faces)
{
    QList<InstalledFontFamily> families;
    QHash<QString, qsizetype> byName;
    for (const FontFaceInfo& face : faces) {
        if (!face.outline || (face.format != QLatin1String("TrueType") && face.format != QLatin1String("CFF")))
            continue;
        if (!face.latin)
            continue;
        for (const QString& name : face.families) {
            if (name.isEmpty() || name.contains(QLatin1Char('@')))
                continue;
            const QString key = FoldCase(name);
            qsizetype index = byName.value(key, -1);
            if (index < 0) {
                index = families.size();
                byName.insert(key, index);
                families.append({name, {}});
            }
            FontStyles& styles = families[index].styles;
            if (face.bold && face.italic)
                styles.boldItalic = true;
            else if (face.bold)
                styles.bold = true;
            else if (face.italic)
                styles.italic = true;
            else
                styles.regular = true;
        }
    }
    return families;
}

QStringList BuildFontList(const CXSStringArray& known, const CXSStringArray& installed, const CXSStringArray& inactive,
                          bool showAllFonts, const std::function<bool(const QString&)>& isInstalled)
{
    QStringList list;
    const auto listed = [&list](const QString& name) {
        return std::any_of(list.cbegin(), list.cend(), [&name](const QString& entry) { return SameName(entry, name); });
    };
    if (showAllFonts) {
        // A superset of the short list: catalogue names drawn through a metric twin (Arial with
        // Liberation Sans) are offered too, or ticking the box would drop the project's font.
        CXSStringArray all;
        for (const QString& name : installed)
            all.Add(name);
        for (const QString& name : known) {
            if (isInstalled(name))
                all.Add(name);
        }
        for (const QString& name : all) {
            if (!inactive.Contains(name) && !listed(name))
                list.append(name);
        }
    } else {
        for (const QString& name : known) {
            if (isInstalled(name) && !listed(name))
                list.append(name);
        }
    }
    return list;
}

void CXFontCatalogue::BuildKnownFonts()
{
    m_known.RemoveAll();
    for (const QString& name : KnownFontNames())
        m_known.Add(name);
}

void CXFontCatalogue::InitInstalledFonts()
{
    InitInstalledFonts(EnumerateFontFaces());
}

void CXFontCatalogue::InitInstalledFonts(const QList<FontFaceInfo>& faces)
{
    m_installed.RemoveAll();
    m_styles.clear();
    for (const InstalledFontFamily& family : CollectFontFamilies(faces)) {
        const FontStyleChoice style = ChooseFontStyle(family.styles);
        if (!IsFontSuitable(family.name, style))
            continue;
        m_installed.Add(family.name);
        m_styles.insert(FoldCase(family.name), style);
    }
    ReadInactiveFonts();
    ResolveAliases();
}

void CXFontCatalogue::ReadInactiveFonts()
{
    // Fonts the user turned off never reach fontconfig's list, so nothing more is hidden here.
}

void CXFontCatalogue::ResolveAliases()
{
    m_aliases.clear();
    for (const QString& name : m_known) {
        if (m_installed.Contains(name))
            continue;
        for (const QString& candidate : StrongAliases(name)) {
            int index = 0;
            if (m_installed.Find(candidate, &index)) {
                m_aliases.insert(FoldCase(name), m_installed.GetAt(index));
                break;
            }
        }
    }
}

QString CXFontCatalogue::ResolveFamily(const QString& name) const
{
    int index = 0;
    if (m_installed.Find(name, &index))
        return m_installed.GetAt(index);
    return m_aliases.value(FoldCase(name));
}

FontStyleChoice CXFontCatalogue::StyleOf(const QString& name) const
{
    const QString family = ResolveFamily(name);
    return family.isEmpty() ? FontStyleChoice::None : m_styles.value(FoldCase(family), FontStyleChoice::None);
}

QStringList CXFontCatalogue::ListFonts(bool showAllFonts) const
{
    return BuildFontList(m_known, m_installed, m_inactive, showAllFonts,
                         [this](const QString& name) { return IsInstalled(name); });
}

QList<FontListEntry> CXFontCatalogue::ListEntries(bool showAllFonts) const
{
    QList<FontListEntry> entries;
    for (const QString& name : ListFonts(showAllFonts))
        entries.append({name, ResolveFamily(name), StyleOf(name)});
    return entries;
}

QString CXFontCatalogue::LookUpFamily(const QString& name)
{
    if (name.isEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QString();
    static QMutex mutex;
    static QHash<QString, QString> cache;
    const QMutexLocker lock(&mutex);
    const auto found = cache.constFind(name);
    if (found != cache.cend())
        return *found;

    // The catalogue's rules over the faces of one name: listed under its own name, else through the
    // first strongly bound twin that is listed.
    const auto listedAs = [](const QString& family) {
        for (const InstalledFontFamily& candidate : CollectFontFamilies(EnumerateFontFaces(family))) {
            if (SameName(candidate.name, family) && IsFontSuitable(candidate.name, ChooseFontStyle(candidate.styles)))
                return candidate.name;
        }
        return QString();
    };
    QString family = listedAs(name);
    if (family.isEmpty()) {
        for (const QString& alias : StrongAliases(name)) {
            family = listedAs(alias);
            if (!family.isEmpty())
                break;
        }
    }
    cache.insert(name, family);
    return family;
}

bool CXFontCatalogue::IsFontSuitable(const QString& family, FontStyleChoice style)
{
    // Without a GUI application there is no font database to draw with.
    if (style == FontStyleChoice::None || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    // Qt falls back to another family for a name it cannot draw; such a name would show in a face not its own.
    const QFontInfo info(MakeFontForStyle(family, style, FontEntryPixelSize(96)));
    return SameName(StripFoundry(info.family()), family);
}

QList<FontFaceInfo> CXFontCatalogue::EnumerateFontFaces(const QString& family)
{
    QList<FontFaceInfo> faces;
    FcPattern* pattern = FcPatternCreate();
    if (!family.isEmpty()) {
        const QByteArray utf8 = family.toUtf8();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    }
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FONTFORMAT, FC_OUTLINE, FC_LANG, FC_WEIGHT,
                                            FC_SLANT, FC_FILE, FC_INDEX, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!set)
        return faces;

    static const FcChar8 english[] = "en";
    for (int f = 0; f < set->nfont; ++f) {
        FcPattern* font = set->fonts[f];
        FontFaceInfo face;
        FcChar8* text = nullptr;
        for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &text) == FcResultMatch; ++k) {
            // Translated names are the same family under another language; list each family once.
            FcChar8* lang = nullptr;
            if (FcPatternGetString(font, FC_FAMILYLANG, k, &lang) == FcResultMatch &&
                FcStrCmpIgnoreCase(lang, english) != 0)
                continue;
            face.families.append(QString::fromUtf8(reinterpret_cast<const char*>(text)));
        }
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &text) == FcResultMatch)
            face.format = QString::fromUtf8(reinterpret_cast<const char*>(text));
        FcBool outline = FcFalse;
        face.outline = FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
        FcLangSet* langs = nullptr;
        face.latin = FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
                     FcLangSetHasLang(langs, english) != FcLangDifferentLang;
        const bool listable =
            face.outline && (face.format == QLatin1String("TrueType") || face.format == QLatin1String("CFF"));
        if (face.latin && listable && FcPatternGetString(font, FC_FILE, 0, &text) == FcResultMatch) {
            int index = 0;
            FcPatternGetInteger(font, FC_INDEX, 0, &index);
            face.latin = HasLatinLetters(QByteArray(reinterpret_cast<const char*>(text)), index);
        }
        double weight = FC_WEIGHT_REGULAR;
        int intWeight = 0;
        if (FcPatternGetInteger(font, FC_WEIGHT, 0, &intWeight) == FcResultMatch)
            weight = intWeight;
        else
            FcPatternGetDouble(font, FC_WEIGHT, 0, &weight);
        face.bold = weight >= FC_WEIGHT_BOLD;
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        face.italic = slant != FC_SLANT_ROMAN;
        faces.append(face);
    }
    FcFontSetDestroy(set);
    return faces;
}
