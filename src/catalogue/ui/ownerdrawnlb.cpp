#include "catalogue/ui/ownerdrawnlb.h"

#include "catalogue/listitemstyle.h"

#include <QPainter>
#include <QStyledItemDelegate>

class CXOwnerDrawnLB::Delegate : public QStyledItemDelegate
{
public:
    Delegate(CXOwnerDrawnLB* list, int itemHeight) : QStyledItemDelegate(list), m_list(list), m_nItemHeight(itemHeight)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), m_nItemHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        FillItemGradient(*painter, option.rect);
        m_list->DrawItem(*painter, option, index);
        if (option.state & QStyle::State_Selected)
            painter->fillRect(SelectionBarRect(option.rect), QColor(kSelectionBarColor));
        painter->restore();
    }

private:
    CXOwnerDrawnLB* m_list;
    int m_nItemHeight;
};

CXOwnerDrawnLB::CXOwnerDrawnLB(int itemHeight, QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new Delegate(this, itemHeight));
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

void CXOwnerDrawnLB::ReplaceItems(const QList<QListWidgetItem*>& items)
{
    ++m_nQuiet;
    clear();
    for (QListWidgetItem* item : items)
        addItem(item);
    --m_nQuiet;
}

int CXOwnerDrawnLB::GetCurSel() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void CXOwnerDrawnLB::SetCurSel(int index)
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

QString CXOwnerDrawnLB::GetText(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

int CXOwnerDrawnLB::FindText(const QString& text, Qt::CaseSensitivity sensitivity) const
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().compare(text, sensitivity) == 0)
            return i;
    }
    return -1;
}
