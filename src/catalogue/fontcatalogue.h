#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Sets up fontconfig with the program's own rules on top of the system's configuration: every face
// a flyer may be drawn in embeds in a PDF as an outline font (TrueType or CFF), and bold faces are
// bold. Call before the Qt application object exists; false leaves the system's configuration alone.
bool ApplyFontRules();

// Natural text order: case-insensitive, runs of digits compared by their value ("Font 2" < "font 10").
// Returns <0, 0 or >0.
int StrCmpLogical(QStringView a, QStringView b);

// Texts kept sorted in natural order without duplicates; texts comparing equal count as the same.
class CXSStringArray
{
public:
    CXSStringArray() = default;
    explicit CXSStringArray(const QStringList& texts);

    // Inserts at the sorted place unless an equal text is present; returns the index of the text.
    int Add(const QString& text);
    // Binary search: true with the index of the match, or false with the insertion point.
    bool Find(QStringView text, int* index = nullptr) const;
    bool Contains(QStringView text) const { return Find(text); }
    void RemoveAll() { m_items.clear(); }

    int GetSize() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.isEmpty(); }
    const QString& GetAt(int index) const { return m_items.at(index); }
    const QStringList& Items() const { return m_items; }
    QStringList::const_iterator begin() const { return m_items.cbegin(); }
    QStringList::const_iterator end() const { return m_items.cend(); }

private:
    QStringList m_items;
};

// The well-known family names offered unless all installed fonts are shown.
const QStringList& KnownFontNames();

// Which faces a family has, and the one its name is drawn in.
struct FontStyles
{
    bool bold = false;
    bool regular = false;
    bool boldItalic = false;
    bool italic = false;
};

enum class FontStyleChoice
{
    None,
    Bold,
    Regular,
    BoldItalic,
    Italic,
};

// Bold when there is bold, else regular, else bold italic, else italic.
FontStyleChoice ChooseFontStyle(const FontStyles& styles);

// Em size in pixels of the list's sample text: 13 points at the given dots per inch, rounded.
int FontEntryPixelSize(int dpi);

// A font of the family in the chosen style.
QFont MakeFontForStyle(const QString& family, FontStyleChoice style, int pixelSize);

// Qt appends the foundry to a family name shared by several foundries ("Z003 [urw]").
QString StripFoundry(const QString& family);

// One face as fontconfig reports it.
struct FontFaceInfo
{
    QStringList families; // every name the face answers to, first the main one
    QString format;       // "TrueType", "CFF", "Type 1" ...
    bool outline = false;
    bool latin = false;
    bool bold = false;
    bool italic = false;
};

// An installed family that passed the listing rules, with its styles.
struct InstalledFontFamily
{
    QString name;
    FontStyles styles;
};

// The listing rules that need no drawing: outline faces in TrueType or CFF format, no vertical-writing
// names (they start with "@"), Latin script. Faces are grouped under every name they answer to.
QList<InstalledFontFamily> CollectFontFamilies(const QList<FontFaceInfo>& faces);

// An entry of the font list: the text shown and how it is drawn.
struct FontListEntry
{
    QString text;
    QString family; // the installed family drawn for it (a metric alias for some catalogue names)
    FontStyleChoice style = FontStyleChoice::None;
};

// List building: all installed names not hidden by the user, or the known names that are installed
// (in their catalogue spelling). Case-insensitive duplicates are taken once.
QStringList BuildFontList(const CXSStringArray& known, const CXSStringArray& installed, const CXSStringArray& inactive,
                          bool showAllFonts, const std::function<bool(const QString&)>& isInstalled);

// The three font arrays of the main window and the installed-font rule behind them. Needs a
// QGuiApplication: the suitability test asks Qt's font database.
class CXFontCatalogue
{
public:
    // Empties the known fonts and adds the catalogue names.
    void BuildKnownFonts();
    // Enumerates the installed fonts again and reads the hidden ones.
    void InitInstalledFonts();
    // Same, from faces already enumerated.
    void InitInstalledFonts(const QList<FontFaceInfo>& faces);

    const CXSStringArray& KnownFonts() const { return m_known; }
    const CXSStringArray& InstalledFonts() const { return m_installed; }
    const CXSStringArray& InactiveFonts() const { return m_inactive; }

    // A suitable installed family of that name, or a metric-compatible family that fontconfig binds
    // strongly to the name (Arial to Liberation Sans). Generic fallbacks never count.
    bool IsInstalled(const QString& name) const { return !ResolveFamily(name).isEmpty(); }
    // The installed family drawn for a name, or empty when there is none.
    QString ResolveFamily(const QString& name) const;
    FontStyleChoice StyleOf(const QString& name) const;

    QStringList ListFonts(bool showAllFonts) const;
    QList<FontListEntry> ListEntries(bool showAllFonts) const;

    // True when Qt draws the family in its own face in the chosen style.
    static bool IsFontSuitable(const QString& family, FontStyleChoice style);
    // Every face fontconfig knows, or those of one family. A face counts as Latin only when fontconfig
    // says so and its letters are letters, not symbols or dingbats mapped in their place.
    static QList<FontFaceInfo> EnumerateFontFaces(const QString& family = QString());
    // ResolveFamily of a catalogue of the installed fonts, found from the faces of that name and its
    // twins alone (no full enumeration); cached per name for the process. Empty without a
    // QGuiApplication or when the name is drawn by no listed family.
    static QString LookUpFamily(const QString& name);

private:
    void ReadInactiveFonts();
    void ResolveAliases();

    CXSStringArray m_known;
    CXSStringArray m_installed;
    CXSStringArray m_inactive;
    QHash<QString, FontStyleChoice> m_styles; // case-folded installed family -> its drawing style
    QHash<QString, QString> m_aliases;        // case-folded known name -> installed family
};
