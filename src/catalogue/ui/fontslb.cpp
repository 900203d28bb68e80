#include "catalogue/ui/fontslb.h"

#include "catalogue/listitemstyle.h"

#include <QPainter>
#include <QStyledItemDelegate>

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

class FontItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), CXFontsLB::kItemHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect item = option.rect;
        painter->save();
        FillItemGradient(*painter, item);

        const int dpi = option.widget ? option.widget->logicalDpiY() : 96;
        const QFont font = MakeFontForStyle(index.data(FamilyRole).toString(),
                                            FontStyleChoice(index.data(StyleRole).toInt()), FontEntryPixelSize(dpi));
        const QFontMetrics metrics(font);
        const QRect textRect = FontTextRect(item);
        const QString text = ElideAtWord(index.data(Qt::DisplayRole).toString(), textRect.width(),
                                         [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->setFont(font);
        painter->setPen(option.palette.color(QPalette::WindowText));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);

        if (option.state & QStyle::State_Selected)
            painter->fillRect(SelectionBarRect(item), QColor(kSelectionBarColor));
        painter->restore();
    }
};

} // namespace

CXFontsLB::CXFontsLB(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new FontItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    QPalette background = viewport()->palette();
    background.setColor(QPalette::Base, QColor(kListBackground));
    viewport()->setPalette(background);
    viewport()->setAutoFillBackground(true);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_nQuiet == 0)
            Q_EMIT SelChange();
    });
}

void CXFontsLB::SetEntries(const QList<FontListEntry>& entries)
{
    ++m_nQuiet;
    clear();
    for (const FontListEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.text);
        item->setData(FamilyRole, entry.family);
        item->setData(StyleRole, int(entry.style));
        addItem(item);
    }
    --m_nQuiet;
}

int CXFontsLB::GetCurSel() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void CXFontsLB::SetCurSel(int index)
{
    ++m_nQuiet;
    if (index >= 0 && index < count()) {
        setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(index));
    } else {
        clearSelection();
        setCurrentRow(-1);
    }
    --m_nQuiet;
}

QString CXFontsLB::GetText(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

int CXFontsLB::FindStringExact(const QString& text) const
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text() == text)
            return i;
    }
    return -1;
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
