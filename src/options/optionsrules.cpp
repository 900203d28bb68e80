#include "options/optionsrules.h"

#include "catalogue/themecatalogue.h"
#include "flyer/detailschecks.h"
#include "flyer/formatting.h"

#include <QFileInfo>

namespace {

QString Pixels(qint64 count)
{
    return FormatCount(count, QStringLiteral("pixel"));
}

} // namespace

QString ProfileImageFileFilter()
{
    return QStringLiteral("All Image Files (*.jpg *.png *.bmp);;JPEG Files (*.jpg);;PNG Files (*.png);;"
                          "Bitmap Files (*.bmp)");
}

QString CheckMyPicture(const QString& path, bool infoOk, int width, int height, int orientation)
{
    if (infoOk && width > 120 && height > 180 && height > width)
        return QString();

    const QString indent(5, QLatin1Char(' '));
    const QString note =
        QStringLiteral("NOTE: The photo you selected '%1' properties are (Width: %2, Height: %3 and %4 orientation).")
            .arg(QFileInfo(path).fileName(), Pixels(width), Pixels(height),
                 PhotoOrientationWord(infoOk ? orientation : -1));
    return QStringLiteral("The selected photo should have the following minimum properties:\n\n%1Width: %2 pixels\n"
                          "%3Height: %4 pixels\n%5Orientation: Portrait (Height > Width).\n\nPlease select another "
                          "photo.\n\n%6")
        .arg(indent, QStringLiteral("120"), indent, QStringLiteral("180"), indent, note);
}

QString CheckBusinessLogo(const QString& path, bool infoOk, int width, int height)
{
    if (infoOk && width > 200 && height > 100)
        return QString();

    const QString indent(5, QLatin1Char(' '));
    const QString note = QStringLiteral("NOTE: The logo you selected '%1' properties are (Width: %2, Height: %3).")
                             .arg(QFileInfo(path).fileName(), Pixels(width), Pixels(height));
    return QStringLiteral("The selected logo should have the following minimum properties:\n\n%1Width: %2 pixels\n"
                          "%3Height: %4 pixels.\n\nPlease select another photo.\n\n%5")
        .arg(indent, QStringLiteral("200"), indent, QStringLiteral("100"), note);
}

int FindExactEntry(const QStringList& entries, const QString& text)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int FindPrefixEntry(const QStringList& entries, const QString& text)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).startsWith(text, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

QStringList ThemeComboEntries(const CXThemeCatalogue& catalogue)
{
    QStringList entries;
    for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
        // Only an equal name counts as listed: a name that merely begins another must still be offered.
        if (FindExactEntry(entries, theme.GetName()) < 0)
            entries.append(theme.GetName());
    }
    return entries;
}

const QStringList& DefaultFontFallbacks()
{
    static const QStringList fallbacks = {QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                                          QStringLiteral("Trebuchet MS"), QStringLiteral("Arial")};
    return fallbacks;
}

QString ChooseDefaultFont(const QStringList& entries, const QString& font)
{
    if (FindExactEntry(entries, font) >= 0)
        return font;
    for (const QString& fallback : DefaultFontFallbacks()) {
        const int index = FindExactEntry(entries, fallback);
        if (index >= 0)
            return entries.at(index);
    }
    return font;
}

SheetButtonRow LayoutSheetButtons(int clientWidth, const QRect& cancel)
{
    SheetButtonRow row;
    const QSize size = cancel.size();
    row.help = QRect(QPoint(clientWidth - 6 - size.width(), cancel.top()), size);
    row.cancel = QRect(QPoint(row.help.left() - 6 - size.width(), cancel.top()), size);
    row.save = QRect(QPoint(row.cancel.left() - 6 - size.width(), cancel.top()), size);
    return row;
}
