#pragma once

#include <QTableWidget>

// A report-style list whose columns sort on a header click, comparing cells by what they hold
// (numbers, sizes, date-times, text) rather than character by character.
class CXListCtrl : public QTableWidget
{
    Q_OBJECT

public:
    explicit CXListCtrl(QWidget* parent = nullptr);

    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment = Qt::AlignLeft, int width = -1);
    // Adds a row at `row` (at the end when negative) with `text` in the first column; returns its row.
    int InsertItem(int row, const QString& text);
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    void SetItemData(int row, qint64 data);
    qint64 GetItemData(int row) const;
    void DeleteAllItems();

    // The first selected row in display order, or -1.
    int GetFirstSelectedItem() const;
    void SelectItem(int row);

    void SortItems(int column, bool ascending);
    int SortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }

    void SetSortable(bool sortable);
    void SetAllowColumnResizing(bool allow);

private:
    void OnHeaderClicked(int column);

    QList<Qt::Alignment> m_columnAlignment;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    bool m_bSortable = true;
    bool m_bAllowColumnResizing = true;
};
