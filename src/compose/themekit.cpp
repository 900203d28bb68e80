#include "compose/themekit.h"

#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "compose/templatemerge.h"
#include "formats/filewriter.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <algorithm>

Q_LOGGING_CATEGORY(lcThemeKit, "listora.themekit", QtWarningMsg)

namespace ThemeKit {

namespace {

const QString kThemesSection = QStringLiteral("Themes");
const QString kPageFontToken = QStringLiteral("$_pageFont$");

// The photo tokens by slot.
const QStringList& PhotoTokens()
{
    static const QStringList tokens{QStringLiteral("$_mainPhoto$"), QStringLiteral("$_photo02$"),
                                    QStringLiteral("$_photo03$"), QStringLiteral("$_photo04$")};
    return tokens;
}

QString Repeat(const QString& text, int length)
{
    QString out;
    while (out.size() < length)
        out += text;
    out.truncate(length);
    return out;
}

QString StripHtmlComments(const QString& text)
{
    static const QRegularExpression comments(QStringLiteral("<!--.*?-->"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString out = text;
    out.remove(comments);
    return out;
}

QString StripCssComments(const QString& text)
{
    static const QRegularExpression comments(QStringLiteral("/\\*.*?\\*/"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString out = text;
    out.remove(comments);
    return out;
}

// http, https, ftp and protocol-relative addresses where a page would fetch them. XML namespace
// names (inline SVG) and a DOCTYPE's identifiers only name things, so they are not counted.
QStringList RemoteAddresses(const QString& text)
{
    static const QRegularExpression doctype(QStringLiteral("<!DOCTYPE[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression namespaces(QStringLiteral("xmlns(:[\\w-]+)?\\s*=\\s*([\"'])[^\"']*\\2"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression absolute(QStringLiteral("\\b(?:https?|ftp)://[^\\s\"'<>()]+"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression relative(
        QStringLiteral("(?:\\b(?:src|href|srcset|action|data|poster)\\s*=\\s*[\"']?|url\\(\\s*[\"']?|@import\\s+[\"'])"
                       "(//[^\\s\"'<>()]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString scan = text;
    scan.remove(doctype);
    scan.remove(namespaces);
    QStringList found;
    for (const QRegularExpression* pattern : {&absolute, &relative}) {
        auto it = pattern->globalMatch(scan);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            const QString address = match.lastCapturedIndex() >= 1 ? match.captured(1) : match.captured(0);
            if (!found.contains(address))
                found.append(address);
        }
    }
    return found;
}

QStringList ScriptProblems(const QString& text)
{
    QStringList problems;
    static const QRegularExpression script(QStringLiteral("<script\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression handler(QStringLiteral("<[a-z][^>]*\\s(on[a-z]+)\\s*="),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scheme(QStringLiteral("\\b(?:java|vb)script\\s*:"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression embedded(QStringLiteral("<(iframe|frame|object|embed|applet)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (script.match(text).hasMatch())
        problems.append(QStringLiteral("has a <script> element (a flyer never runs scripts)"));
    QSet<QString> handlers;
    auto it = handler.globalMatch(text);
    while (it.hasNext()) {
        const QString name = it.next().captured(1).toLower();
        if (!handlers.contains(name)) {
            handlers.insert(name);
            problems.append(QStringLiteral("has a script in an %1 attribute (a flyer never runs scripts)").arg(name));
        }
    }
    if (scheme.match(text).hasMatch())
        problems.append(QStringLiteral("has a javascript: address (a flyer never runs scripts)"));
    auto frames = embedded.globalMatch(text);
    QSet<QString> kinds;
    while (frames.hasNext()) {
        const QString kind = frames.next().captured(1).toLower();
        if (!kinds.contains(kind)) {
            kinds.insert(kind);
            problems.append(
                QStringLiteral("has an <%1> element (a flyer shows no embedded pages or plug-ins)").arg(kind));
        }
    }
    return problems;
}

// Pictures and style sheets named relative to the template: the page is loaded without a folder
// of its own, so they would resolve against the file system's root and never load.
QStringList RelativeProblems(const QString& text)
{
    static const QList<QRegularExpression> patterns{
        QRegularExpression(QStringLiteral("\\bsrc\\s*=\\s*([\"']?)([^\"'\\s>]+)\\1"),
                           QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(QStringLiteral("<link\\b[^>]*\\bhref\\s*=\\s*([\"']?)([^\"'\\s>]+)\\1"),
                           QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(QStringLiteral("url\\(\\s*([\"']?)([^\"')]+)\\1\\s*\\)"),
                           QRegularExpression::CaseInsensitiveOption),
    };
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QStringList problems;
    QStringList seen;
    for (const QRegularExpression& pattern : patterns) {
        auto it = pattern.globalMatch(text);
        while (it.hasNext()) {
            const QString address = it.next().captured(2).trimmed();
            if (address.isEmpty() || address.startsWith(QLatin1String("$_")) || address.startsWith(u'#') ||
                address.startsWith(QLatin1String("//")) || scheme.match(address).hasMatch() || seen.contains(address))
                continue;
            seen.append(address);
            problems.append(QStringLiteral("refers to %1 relative to the template, which does not load (a flyer "
                                           "page has no folder of its own: use a file: address or a token)")
                                .arg(address));
        }
    }
    return problems;
}

QStringList RemoteProblems(const QString& text)
{
    QStringList problems;
    for (const QString& address : RemoteAddresses(text))
        problems.append(
            QStringLiteral("refers to the remote address %1 (a flyer loads only local files)").arg(address));
    return problems;
}

bool IsGenericFamily(const QString& family)
{
    static const QSet<QString> generic{
        QStringLiteral("serif"),      QStringLiteral("sans-serif"),    QStringLiteral("monospace"),
        QStringLiteral("cursive"),    QStringLiteral("fantasy"),       QStringLiteral("system-ui"),
        QStringLiteral("ui-serif"),   QStringLiteral("ui-sans-serif"), QStringLiteral("ui-monospace"),
        QStringLiteral("ui-rounded"), QStringLiteral("emoji"),         QStringLiteral("math"),
        QStringLiteral("fangsong"),   QStringLiteral("inherit"),       QStringLiteral("initial"),
        QStringLiteral("unset"),      QStringLiteral("revert"),        QStringLiteral("revert-layer")};
    return generic.contains(family.toLower());
}

QString Unquote(QString name)
{
    name = name.trimmed();
    static const QRegularExpression important(QStringLiteral("\\s*!\\s*important\\s*$"),
                                              QRegularExpression::CaseInsensitiveOption);
    name.remove(important);
    if (name.size() >= 2 && (name.front() == u'\'' || name.front() == u'"') && name.back() == name.front())
        name = name.mid(1, name.size() - 2);
    return name.simplified();
}

bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    return CXFileWriter::WriteFile(path, bytes, error);
}

bool CopyFolder(const QString& from, const QString& to, QString* error)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(source.relativeFilePath(file));
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target)) {
            if (error)
                *error = QStringLiteral("cannot copy %1 to %2")
                             .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(target));
            return false;
        }
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return true;
}

} // namespace

const QList<TokenInfo>& KnownTokens()
{
    static const QList<TokenInfo> tokens{
        {QStringLiteral("$_borderSize$"), QStringLiteral("0px")},
        {QStringLiteral("$_captionTopPadding$"), QStringLiteral("12px")},
        {QStringLiteral("$_pageColor$"), QStringLiteral("#0063B1")},
        {QStringLiteral("$_elementColor$"), QStringLiteral("#0063B1")},
        {QStringLiteral("$_pageFont$"), QStringLiteral("Tahoma")},
        {QStringLiteral("$_sidebarImage$"), QStringLiteral("file:///home/me/Documents/My Listora/Temp/sidebar.png")},
        {QStringLiteral("$_mainPhoto$"),
         QStringLiteral("file:///home/me/Documents/My Listora/Projects/{...}/_photo01.jpg")},
        {QStringLiteral("$_photo02$"),
         QStringLiteral("file:///home/me/Documents/My Listora/Projects/{...}/_photo02.jpg")},
        {QStringLiteral("$_photo03$"),
         QStringLiteral("file:///home/me/Documents/My Listora/Projects/{...}/_photo03.jpg")},
        {QStringLiteral("$_photo04$"),
         QStringLiteral("file:///home/me/Documents/My Listora/Projects/{...}/_photo04.jpg")},
        {QStringLiteral("$_rmlsLogo$"), QStringLiteral("file:///usr/share/listora/Samples/MLS_Realtor.jpg")},
        {QStringLiteral("$_ehoLogo$"), QStringLiteral("file:///usr/share/listora/Samples/EHO.jpg")},
        {QStringLiteral("$_companyLogo$"), QStringLiteral("file:///home/me/Documents/My Listora/Logo.jpg")},
        {QStringLiteral("$_myPicture$"), QStringLiteral("file:///home/me/Documents/My Listora/MyPicture.jpg")},
        {QStringLiteral("$_contactInfo$"),
         QStringLiteral("<span id=\"name\" ...>Jane Agent</span><br>Real Estate Professional<div ...></div>"
                        "Harbor Realty<br>Office:&nbsp;(555) 010-2000")},
        {QStringLiteral("$_listingCaption$"), QStringLiteral("New Listing")},
        {QStringLiteral("$_listingAddress$"), QStringLiteral("1234 Harbor View Lane, Seaside, OR 97138")},
        {QStringLiteral("$_listingDescription$"),
         QStringLiteral("Bright corner home near the park.<br><br>New roof 2023.")},
        {QStringLiteral("$_listingFeatures$"),
         QStringLiteral("&#8226;&nbsp;4 Bedrooms&nbsp;&nbsp;&nbsp;&#8226;&nbsp;2 Baths")},
        {QStringLiteral("$_listingMLS$"), QStringLiteral("MLS# 201512345678")},
        {QStringLiteral("$_listingPrice$"), QStringLiteral("Offered at $595,000")},
        {QStringLiteral("$_listingDisclaimer$"), QStringLiteral("All information deemed reliable but not guaranteed.")},
        {QStringLiteral("$_listingCaptionColor$"), QStringLiteral("#0063B1 (or #000000 when not coloured)")},
        {QStringLiteral("$_listingAddressColor$"), QStringLiteral("#0063B1 (or #000000 when not coloured)")},
        {QStringLiteral("$_listingMLSColor$"), QStringLiteral("#0063B1 (or #000000 when not coloured)")},
        {QStringLiteral("$_listingPriceColor$"), QStringLiteral("#0063B1 (or #000000 when not coloured)")},
        {QStringLiteral("$_listingFeaturesColor$"), QStringLiteral("#0063B1 (or #000000 when not coloured)")},
        {QStringLiteral("$_listingUrl$"), QStringLiteral("https://www.example.com/listings/1482-harbor-view-lane")},
        {QStringLiteral("$_qrCode$"), QStringLiteral("data:image/svg+xml;base64,... (or the blank picture)")},
        {QStringLiteral("$_statusLine$"),
         QStringLiteral("Open House Sunday, March 7, 1-4 PM (or Sold ...; empty for none)")},
        {QStringLiteral("$_listingStatus$"), QStringLiteral("Open House (or Just Listed ... Sold; empty for none)")},
        {QStringLiteral("$_openHouse$"), QStringLiteral("Open House Sunday, March 7, 1-4 PM (or empty)")},
        {QStringLiteral("$_brokerageBlock$"),
         QStringLiteral("<span class=\"brokerage-name\">Harbourline Realty</span><span class=\"brokerage-phone\">"
                        "(503) 555-0100</span><span class=\"agent-licence\">DRE #01234567</span> (only those set)")},
        {QStringLiteral("$_brokerageName$"), QStringLiteral("Harbourline Realty (or empty)")},
        {QStringLiteral("$_brokeragePhone$"), QStringLiteral("(503) 555-0100 (or empty)")},
        {QStringLiteral("$_agentLicence$"), QStringLiteral("DRE #01234567 (or empty)")},
    };
    return tokens;
}

QString FolderNameFor(const QString& themeName)
{
    QString folder;
    for (const QChar c : themeName) {
        if (c.isSpace())
            continue;
        // Characters that some file system or the INI's "\" separator would trip over.
        if (QStringView(u"/\\:*?\"<>|[]{}$%#&;=").contains(c) || c.unicode() < 0x20)
            continue;
        folder += c;
    }
    while (folder.startsWith(u'.'))
        folder.remove(0, 1);
    return folder.isEmpty() ? QStringLiteral("Theme") : folder;
}

QString NewThemeId()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString ThemeNameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("a theme needs a name");
    if (name != name.trimmed())
        return QStringLiteral("a theme name cannot begin or end with a blank");
    if (name.contains(u'[') || name.contains(u']') || name.contains(u'\n') || name.contains(u'\r') ||
        name.contains(u'='))
        return QStringLiteral("a theme name cannot hold [, ], = or a line break");
    if (CompareThemeNames(name, u"QIM") == 0)
        return QStringLiteral("\"QIM\" stands for a missing theme and cannot name one");
    if (name.size() > CXIniFile::MaxValueLength)
        return QStringLiteral("a theme name can be at most %1 characters long").arg(CXIniFile::MaxValueLength);
    return QString();
}

QByteArray AddThemeToIni(const QByteArray& existing, const QString& section,
                         const QList<QPair<QString, QString>>& values)
{
    QByteArray bytes = existing;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const bool crlf = bytes.contains("\r\n");
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();

    auto sectionOf = [](const QString& line) -> QString {
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.contains(u']'))
            return t.mid(1, t.indexOf(u']') - 1).trimmed();
        return QString();
    };
    auto keyOf = [](const QString& line) -> QString {
        const qsizetype eq = line.indexOf(u'=');
        return eq < 0 ? QString() : line.left(eq).trimmed();
    };

    qsizetype head = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (sectionOf(lines.at(i)).compare(kThemesSection, Qt::CaseInsensitive) == 0) {
            head = i;
            break;
        }
    if (head < 0) {
        if (!lines.isEmpty())
            lines.prepend(QString());
        lines.prepend(QStringLiteral("Count=0"));
        lines.prepend(QStringLiteral("[Themes]"));
        head = 0;
    }
    qsizetype end = head + 1;
    while (end < lines.size() && sectionOf(lines.at(end)).isEmpty() && !lines.at(end).trimmed().startsWith(u'['))
        ++end;

    qint64 highest = 0;
    qsizetype countLine = -1;
    qsizetype lastEntry = head;
    static const QRegularExpression entryKey(QStringLiteral("^THEME(\\d{2,10})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    for (qsizetype i = head + 1; i < end; ++i) {
        const QString key = keyOf(lines.at(i));
        if (key.isEmpty())
            continue;
        lastEntry = i;
        if (key.compare(u"Count", Qt::CaseInsensitive) == 0) {
            countLine = i;
            highest = std::max(highest, ProfileStringToInt64(lines.at(i).mid(lines.at(i).indexOf(u'=') + 1).trimmed()));
        } else if (const QRegularExpressionMatch m = entryKey.match(key); m.hasMatch()) {
            highest = std::max(highest, m.captured(1).toLongLong());
        }
    }
    const qint64 number = highest + 1;
    lines.insert(lastEntry + 1, QStringLiteral("THEME%1=%2").arg(number, 2, 10, QLatin1Char('0')).arg(section));
    const QString count = QStringLiteral("Count=%1").arg(number);
    if (countLine >= 0)
        lines[countLine] = count;
    else
        lines.insert(head + 1, count);

    lines.append(QString());
    lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
    for (const auto& [key, value] : values)
        lines.append(key + QLatin1Char('=') + value);
    lines.append(QString());
    return lines.join(crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")).toUtf8();
}

bool CreateTheme(const CXThemeCatalogue& catalogue, const QString& userThemesFolder, const QString& name,
                 const QString& from, CXThemeTemplateInfo* made, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (const QString problem = ThemeNameProblem(name); !problem.isEmpty())
        return fail(problem);
    qsizetype index = 0;
    if (!catalogue.FindTheme(from, index))
        return fail(QStringLiteral("there is no theme named \"%1\"").arg(from));
    const CXThemeTemplateInfo source = catalogue.at(index);

    const QString iniPath = ThemeInfo::IniPath(userThemesFolder);
    CXIniFile userIni;
    userIni.Load(iniPath);
    CXThemeCatalogue own;
    own.LoadAvailableThemes(userIni, userThemesFolder);
    if (own.ContainsTheme(name) || userIni.HasSection(name))
        return fail(QStringLiteral("your themes folder %1 already has a theme named \"%2\"")
                        .arg(QDir::toNativeSeparators(userThemesFolder), name));

    const QFileInfo templateInfo(source.GetTemplate());
    if (!templateInfo.isFile())
        return fail(QStringLiteral("the template of \"%1\" is missing: %2")
                        .arg(from, QDir::toNativeSeparators(source.GetTemplate())));
    if (!QDir().mkpath(userThemesFolder))
        return fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(userThemesFolder)));

    const QString base = FolderNameFor(name);
    QString folderName = base;
    for (int n = 2; QFileInfo::exists(QDir(userThemesFolder).filePath(folderName)); ++n)
        folderName = base + QLatin1Char('-') + QString::number(n);
    const QString target = QDir(userThemesFolder).filePath(folderName);

    // A theme's folder travels whole (pictures, style sheets); a template that sits beside a
    // "Themes.ini" travels alone, so no other theme comes along.
    const QDir sourceDir = templateInfo.absoluteDir();
    QString copyError;
    const bool alone = QFileInfo::exists(sourceDir.filePath(QStringLiteral("Themes.ini")));
    // A back page travels with its front; it keeps its file name so the new theme can name it.
    const QFileInfo backInfo(source.GetBackTemplate());
    const bool hasBack = !source.GetBackTemplate().isEmpty() && backInfo.isFile();
    const bool backInFolder = hasBack && backInfo.absoluteDir() == sourceDir;
    bool copied = alone ? (QDir().mkpath(target) &&
                           QFile::copy(templateInfo.absoluteFilePath(), QDir(target).filePath(templateInfo.fileName())))
                        : CopyFolder(sourceDir.absolutePath(), target, &copyError);
    if (copied && hasBack && (alone || !backInFolder))
        copied = QFile::copy(backInfo.absoluteFilePath(), QDir(target).filePath(backInfo.fileName()));
    if (!copied) {
        QDir(target).removeRecursively();
        return fail(copyError.isEmpty() ? QStringLiteral("cannot copy %1 to %2")
                                              .arg(QDir::toNativeSeparators(templateInfo.absoluteFilePath()),
                                                   QDir::toNativeSeparators(target))
                                        : copyError);
    }

    const QString id = NewThemeId();
    const qint64 created = QDateTime::currentSecsSinceEpoch();
    const quint32 color = source.GetColor();
    const QString templateValue = folderName + QLatin1Char('\\') + templateInfo.fileName();
    QList<QPair<QString, QString>> values{
        {QStringLiteral("Name"), name},
        {QStringLiteral("Width"), QString::number(source.GetWidth())},
        {QStringLiteral("Height"), QString::number(source.GetHeight())},
        {QStringLiteral("Orientation"), QString::number(source.GetOrientation())},
        {QStringLiteral("Color"),
         QStringLiteral("RGB(%1, %2, %3)").arg(color & 0xFFu).arg((color >> 8) & 0xFFu).arg((color >> 16) & 0xFFu)},
        {QStringLiteral("Photos"), QString::number(source.GetPhotos())},
        {QStringLiteral("Typeface"), source.GetTypeface()},
        {QStringLiteral("Id"), id},
        {QStringLiteral("Version"), QStringLiteral("1.0")},
        {QStringLiteral("Created"), QString::number(created)},
        {QStringLiteral("Template"), templateValue},
        {QStringLiteral("Family"), source.GetFamily()},
    };
    if (hasBack)
        values.append({QStringLiteral("Back"), folderName + QLatin1Char('\\') + backInfo.fileName()});
    QByteArray existing;
    if (QFile file(iniPath); file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            QDir(target).removeRecursively();
            return fail(
                QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(iniPath), file.errorString()));
        }
        existing = file.readAll();
    }
    QString writeError;
    if (!WriteWhole(iniPath, AddThemeToIni(existing, name, values), &writeError)) {
        QDir(target).removeRecursively();
        return fail(writeError);
    }
    qCDebug(lcThemeKit) << "made theme" << name << "from" << from << "in" << target;
    if (made)
        *made = CXThemeTemplateInfo(userThemesFolder, name);
    return true;
}

QStringList CheckCatalogueEntry(const QString& themesFolder, const QString& section)
{
    CXIniFile ini;
    const QString iniPath = ThemeInfo::IniPath(themesFolder);
    if (!ini.Load(iniPath))
        return {QStringLiteral("cannot read %1").arg(QDir::toNativeSeparators(iniPath))};
    if (!ini.HasSection(section))
        return {QStringLiteral("%1 has no section [%2]").arg(QDir::toNativeSeparators(iniPath), section)};

    QStringList problems;
    const QString missing = QStringLiteral("\x01");
    auto value = [&](const char16_t* key) { return ini.GetString(section, key, missing); };
    auto isMissing = [&](const QString& v) { return v == missing || v.isEmpty(); };
    static const QRegularExpression whole(QStringLiteral("^[+]?\\d+$"));

    const QString name = value(u"Name");
    if (isMissing(name))
        problems.append(QStringLiteral("Name is missing"));
    else if (name != section)
        problems.append(QStringLiteral("Name \"%1\" differs from its section [%2] (the theme list finds the theme by "
                                       "its name)")
                            .arg(name, section));
    for (const char16_t* key : {u"Width", u"Height"}) {
        const QString v = value(key);
        if (isMissing(v) || !whole.match(v).hasMatch() || v.toInt() <= 0)
            problems.append(QStringLiteral("%1 must be a number of pixels, not \"%2\"")
                                .arg(QString::fromUtf16(key), v == missing ? QString() : v));
    }
    if (const QString v = value(u"Orientation"); v != missing && !whole.match(v).hasMatch())
        problems.append(QStringLiteral("Orientation must be 0 (portrait) or 1 (landscape), not \"%1\"").arg(v));
    quint32 color = 0;
    if (const QString v = value(u"Color"); !ThemeInfo::ParseRgbText(v, color))
        problems.append(
            QStringLiteral("Color must read RGB(red, green, blue), not \"%1\"").arg(v == missing ? QString() : v));
    if (const QString v = value(u"Photos"); isMissing(v) || !whole.match(v).hasMatch() || v.toInt() > 4)
        problems.append(QStringLiteral("Photos must be 0 to 4, not \"%1\"").arg(v == missing ? QString() : v));
    if (isMissing(value(u"Typeface")))
        problems.append(QStringLiteral("Typeface is missing"));
    static const QRegularExpression guid(
        QStringLiteral("^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"));
    if (const QString v = value(u"Id"); isMissing(v) || !guid.match(v).hasMatch())
        problems.append(QStringLiteral("Id must be a GUID in braces, not \"%1\"").arg(v == missing ? QString() : v));
    if (isMissing(value(u"Version")))
        problems.append(QStringLiteral("Version is missing"));
    static const QRegularExpression seconds(QStringLiteral("^-?\\d+$"));
    if (const QString v = value(u"Created");
        isMissing(v) || !seconds.match(v).hasMatch() || ThemeInfo::FormatCreated(v.toLongLong()).isEmpty())
        problems.append(
            QStringLiteral("Created must be seconds since 1970, not \"%1\"").arg(v == missing ? QString() : v));
    const QString templateValue = value(u"Template");
    if (isMissing(templateValue)) {
        problems.append(QStringLiteral("Template is missing"));
    } else {
        const QString path = ThemeInfo::TemplatePath(themesFolder, templateValue);
        if (!QFileInfo(path).isFile())
            problems.append(QStringLiteral("template not found: %1").arg(QDir::toNativeSeparators(path)));
        else if (QFile file(path); !file.open(QIODevice::ReadOnly))
            problems.append(QStringLiteral("cannot read the template %1").arg(QDir::toNativeSeparators(path)));
    }
    if (const QString back = value(u"Back"); !isMissing(back) && !back.trimmed().isEmpty()) {
        const QString path = ThemeInfo::TemplatePath(themesFolder, back.trimmed());
        if (!QFileInfo(path).isFile())
            problems.append(QStringLiteral("back template not found: %1").arg(QDir::toNativeSeparators(path)));
    }
    return problems;
}

QStringList CheckPageText(const QString& text)
{
    QStringList problems;
    QSet<QString> known;
    for (const TokenInfo& info : KnownTokens())
        known.insert(info.token);

    // A comment may well mention tokens; only what the page shows counts.
    const QString code = StripHtmlComments(text);
    static const QRegularExpression token(QStringLiteral("\\$_([A-Za-z0-9_]*)(\\$?)"));
    QStringList reported;
    auto it = token.globalMatch(code);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString whole = m.captured(0);
        if (reported.contains(whole))
            continue;
        reported.append(whole);
        if (m.captured(2).isEmpty())
            problems.append(QStringLiteral("unfinished token %1 (a token is $_name$)").arg(whole));
        else if (!known.contains(whole))
            problems.append(QStringLiteral("unknown token %1 (stays in the flyer as written)").arg(whole));
    }

    problems += ScriptProblems(code);
    problems += RemoteProblems(code);
    problems += RelativeProblems(code);
    return problems;
}

QStringList CheckTemplateText(const QString& text, int photos, const QString& otherPage)
{
    QStringList problems = CheckPageText(text);
    const QString code = StripHtmlComments(text) + StripHtmlComments(otherPage);
    QList<int> used;
    for (int slot = 0; slot < PhotoTokens().size(); ++slot)
        if (code.contains(PhotoTokens().at(slot)))
            used.append(slot + 1);
    QList<int> expected;
    for (int slot = 1; slot <= std::clamp(photos, 0, 4); ++slot)
        expected.append(slot);
    if (used != expected) {
        auto list = [](const QList<int>& slots) {
            if (slots.isEmpty())
                return QStringLiteral("none");
            QStringList texts;
            for (const int slot : slots)
                texts.append(QString::number(slot));
            return texts.join(QStringLiteral(", "));
        };
        problems.append(QStringLiteral("the template shows photo slots %1 but Photos=%2 asks for slots %3")
                            .arg(list(used))
                            .arg(photos)
                            .arg(list(expected)));
    }
    return problems;
}

QStringList CheckSidebarUse(const QString& text, const QString& themeName, const QString& templatePath)
{
    if (!StripHtmlComments(text).contains(QStringLiteral("$_sidebarImage$")))
        return {};
    if (SidebarKindFor(themeName) == SidebarKind::None)
        return {QStringLiteral("shows $_sidebarImage$, but the caption picture is drawn only for a theme whose name "
                               "contains \"Sidebar\"")};
    if (!templatePath.contains(QStringLiteral("Sidebar")))
        return {QStringLiteral("its cover will lack the caption picture: the template's path must contain "
                               "\"Sidebar\" as the name does")};
    return {};
}

QStringList CheckStyleSheetText(const QString& css, const QString& fileName)
{
    QStringList problems;
    const QString code = StripCssComments(css);
    static const QRegularExpression expression(QStringLiteral("\\bexpression\\s*\\(|\\b(?:java|vb)script\\s*:"),
                                               QRegularExpression::CaseInsensitiveOption);
    if (expression.match(code).hasMatch())
        problems.append(QStringLiteral("%1 has a script (a flyer never runs scripts)").arg(fileName));
    for (const QString& address : RemoteAddresses(code))
        problems.append(QStringLiteral("%1 refers to the remote address %2 (a flyer loads only local files)")
                            .arg(fileName, address));
    return problems;
}

QStringList FirstFontFamilies(const QString& text, const QString& typeface)
{
    const QString code = StripCssComments(StripHtmlComments(text));
    static const QRegularExpression fontFace(QStringLiteral("@font-face\\s*\\{([^}]*)\\}"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression declaration(QStringLiteral("font-family\\s*:\\s*([^;}{<>\\n]+)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QSet<QString> ownFaces;
    auto faces = fontFace.globalMatch(code);
    while (faces.hasNext()) {
        const QRegularExpressionMatch face = declaration.match(faces.next().captured(1));
        if (face.hasMatch())
            ownFaces.insert(Unquote(face.captured(1)).toLower());
    }

    QStringList families;
    auto add = [&](const QString& family) {
        if (family.isEmpty() || IsGenericFamily(family) || ownFaces.contains(family.toLower()) ||
            families.contains(family, Qt::CaseInsensitive))
            return;
        families.append(family);
    };
    add(typeface.trimmed());
    QString scan = code;
    scan.remove(fontFace);
    auto it = declaration.globalMatch(scan);
    while (it.hasNext()) {
        QString value = it.next().captured(1);
        // In a style attribute the value ends at the attribute's own quote.
        const qsizetype quote = value.indexOf(u'"');
        if (quote >= 0 && value.left(quote).count(u'"') == 0 && value.count(u'"') % 2 == 1)
            value.truncate(quote);
        value.replace(kPageFontToken, typeface);
        add(Unquote(value.section(u',', 0, 0)));
    }
    return families;
}

void FillLongSampleProject(CFlyerData& flyer, const QString& photoFolder)
{
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Stunning Craftsman Retreat with Panoramic Mountain Views & Guest Suite");
    flyer.m_strMLS = QStringLiteral("MLS# 2024-0012345678-WA-NW");
    flyer.m_strPrice = QStringLiteral("Offered at $12,495,000 or Best Offer");
    flyer.m_strAddress = QStringLiteral("98765 Northeast Evergreen Ridge Parkway, Unit 4B");
    flyer.m_strCityStateZip = QStringLiteral("Mount Vernon Heights, Washington 98273-5550");
    const QString paragraph = QStringLiteral("The light-filled main floor offers an open living and dining area "
                                             "with a gas fireplace and a wall of windows framing the mountains. ");
    flyer.m_strDescription = Repeat(paragraph, 398) + QStringLiteral("<br><br>") + Repeat(paragraph, 394) +
                             QStringLiteral("<br><br>") + Repeat(paragraph, 400);
    flyer.m_strFeatures = {QStringLiteral("Five bedrooms plus detached guest studio"),
                           QStringLiteral("Three and a half baths, heated floors!!!"),
                           QStringLiteral("4,250 sq. ft. on a 0.75 acre corner lot."),
                           QStringLiteral("Built 1998, fully renovated in 2022 too.")};
    static const char* const samples[] = {"House01-02.jpg", "House02-01.jpg", "House03-01.jpg", "House04-01.jpg"};
    for (int slot = 0; slot < CFlyerData::kSlotCount; ++slot)
        flyer.m_photos[slot].m_strPath = QDir(photoFolder).filePath(QLatin1String(samples[slot]));
}

void FillLongSampleProfile(CAppSettings& settings)
{
    settings.FullName = QStringLiteral("Alexandra Montgomery-Worthington");
    settings.Credentials = QStringLiteral("Broker Associate, CRS, ABR, GRI, SRES, e-PRO");
    settings.CompanyName = QStringLiteral("Pacific Northwest Premier Luxury Properties International");
    settings.Address = QStringLiteral("12345 Southwest Longest Boulevard Name, Suite 1200");
    settings.CityStateZipCode = QStringLiteral("North Bonneville Springs, WA 98639-1234");
    settings.PhoneLabel01 = 2;
    settings.Phone01 = QStringLiteral("(503) 555-0199 ext. 12345");
    settings.PhoneLabel02 = 5;
    settings.Phone02 = QStringLiteral("(503) 555-0100");
    settings.EmailAddress = QStringLiteral("alexandra.montgomery-worthington@pnwpremierluxury.example.com");
    settings.Website = QStringLiteral("www.pacificnorthwestpremierluxuryproperties.example.com");
    settings.Disclaimer = Repeat(QStringLiteral("All information deemed reliable but not guaranteed; verify "
                                                "square footage and schools independently. "),
                                 260);
}

QString OverflowProbeCss()
{
    return QStringLiteral("<style>html, body { background: transparent !important; }</style>");
}

OverflowResult FindOverflow(const QImage& page, const QImage& wide)
{
    OverflowResult result;
    if (page.isNull() || wide.width() < page.width() || wide.height() < page.height())
        return result;
    const QImage a = page.convertToFormat(QImage::Format_RGB32);
    const QImage b = wide.convertToFormat(QImage::Format_RGB32);
    // The same page in a larger window must look the same on the page itself; if it does not, it
    // sizes itself to the window and what lies beyond says nothing about the flyer.
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            differing += ra[x] != rb[x];
    }
    if (differing > qint64(a.width()) * a.height() / 1000) {
        result.layoutFollowsWindow = true;
        return result;
    }
    // Anything but the empty canvas outside the page spills over it. A faint edge of anti-aliasing
    // along the page border is not content.
    auto isContent = [](QRgb pixel) { return qRed(pixel) < 245 || qGreen(pixel) < 245 || qBlue(pixel) < 245; };
    for (int y = 0; y < b.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        const int from = y < a.height() ? a.width() + 1 : 0;
        for (int x = from; x < b.width(); ++x) {
            if (!isContent(row[x]))
                continue;
            if (x > a.width())
                result.right = std::max(result.right, x + 1);
            if (y > a.height())
                result.bottom = std::max(result.bottom, y + 1);
        }
    }
    return result;
}

} // namespace ThemeKit
