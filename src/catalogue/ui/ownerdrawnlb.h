#pragma once

#include <QListWidget>

class QStyleOptionViewItem;

// What the catalogue lists (fonts, themes) share: items of one fixed height on the lists' grey, each
// drawn over the item gradient and marked by the selection bar when selected; one selection at a
// time; SelChange only for the user's own choices.
class CXOwnerDrawnLB : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXOwnerDrawnLB)

public:
    int GetCount() const { return count(); }
    // The selected item, or -1.
    int GetCurSel() const;
    // Selects an item (-1 clears the selection) without emitting SelChange().
    void SetCurSel(int index);
    QString GetText(int index) const;

Q_SIGNALS:
    // The user chose another item.
    void SelChange();

protected:
    CXOwnerDrawnLB(int itemHeight, QWidget* parent);

    // What an item shows between its background gradient and its selection bar.
    virtual void DrawItem(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const = 0;

    // Replaces the items without a SelChange; nothing is selected afterwards.
    void ReplaceItems(const QList<QListWidgetItem*>& items);
    // The first item whose text equals text, or -1.
    int FindText(const QString& text, Qt::CaseSensitivity sensitivity) const;

private:
    class Delegate;
    int m_nQuiet = 0;
};
