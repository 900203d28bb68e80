#include "catalogue/ui/fontslb.h"

#include "catalogue/listitemstyle.h"

#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

enum Role
{
    FamilyRole = Qt::UserRole + 1,
    StyleRole,
};

QRect FontTextRect(const QRect& item)
{
    return QRect(item.left() + kListMargin + 2, item.top(), item.width() - 8, item.height());
}

} // namespace

CXFontsLB::CXFontsLB(QWidget* parent) : CXOwnerDrawnLB(kItemHeight, parent) {}

void CXFontsLB::DrawItem(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int dpi = option.widget ? option.widget->logicalDpiY() : 96;
    const QFont font = MakeFontForStyle(index.data(FamilyRole).toString(),
                                        FontStyleChoice(index.data(StyleRole).toInt()), FontEntryPixelSize(dpi));
    const QFontMetrics metrics(font);
    const QRect textRect = FontTextRect(option.rect);
    const QString text = ElideAtWord(index.data(Qt::DisplayRole).toString(), textRect.width(),
                                     [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(option.palette.color(QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void CXFontsLB::SetEntries(const QList<FontListEntry>& entries)
{
    QList<QListWidgetItem*> items;
    for (const FontListEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.text);
        item->setData(FamilyRole, entry.family);
        item->setData(StyleRole, int(entry.style));
        items.append(item);
    }
    ReplaceItems(items);
}

int CXFontsLB::FindStringExact(const QString& text) const
{
    return FindText(text, Qt::CaseSensitive);
}

void InitFontsLB(CXFontsLB& list, CXFontCatalogue& catalogue, bool showAllFonts)
{
    catalogue.InitInstalledFonts();
    list.SetEntries(catalogue.ListEntries(showAllFonts));
}

int SelectFontAfterRebuild(CXFontsLB& list, const QString& currentFont, const QString& defaultFont)
{
    int index = list.FindStringExact(currentFont);
    if (index < 0)
        index = list.FindStringExact(defaultFont);
    if (index < 0 && list.GetCount() > 0)
        index = 0;
    list.SetCurSel(index);
    return index;
}
