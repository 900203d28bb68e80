#pragma once

#include "catalogue/themelist.h"
#include "catalogue/ui/ownerdrawnlb.h"

#include <QComboBox>

class CAppSettings;
class CXThemeCatalogue;

// The drop-down that restricts the theme list to themes with a given number of photos.
class CXThemeFilterCB : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXThemeFilterCB)

public:
    explicit CXThemeFilterCB(QWidget* parent = nullptr);

    // Empties the filter and adds its entries; nothing is selected afterwards.
    void FillFilter();
    // The photo count of the selected entry, or -1 when none is selected.
    int GetFilterValue() const;
    // Selects the first entry with that value; false, keeping the selection, when there is none.
    bool SelectFilterValue(int value);

Q_SIGNALS:
    // The user picked another entry.
    void SelChange();
};

// The drop-down beside it that restricts the theme list to one group of formats: flyers,
// postcards, social media pictures, or all.
class CXThemeFormatCB : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXThemeFormatCB)

public:
    explicit CXThemeFormatCB(QWidget* parent = nullptr);

    // The format of the selected entry (ThemeFormatValue); all formats when none is selected.
    int GetFormatValue() const;
    // Selects the entry with that value; false, keeping the selection, when there is none.
    bool SelectFormatValue(int value);

Q_SIGNALS:
    // The user picked another entry.
    void SelChange();
};

// The theme list: each theme with its cover, name and description, the selected one marked by a bar.
// Items carry the theme name and its catalogue index.
class CXThemesLB : public CXOwnerDrawnLB
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXThemesLB)

public:
    static constexpr int kItemHeight = 92;

    explicit CXThemesLB(QWidget* parent = nullptr);

    // Source of the themes and covers folders; items are drawn from "Themes.ini" and the cover files.
    void SetSettings(const CAppSettings* settings) { m_pSettings = settings; }
    const CAppSettings* GetSettings() const { return m_pSettings; }

    // Replaces the items; nothing is selected afterwards.
    void SetEntries(const QList<ThemeListEntry>& entries);

    // The catalogue index the item carries, or -1 for a position outside the list.
    qsizetype GetItemData(int index) const;
    // The item whose text equals the name, ignoring case, or -1.
    int FindStringExact(const QString& name) const;

protected:
    void DrawItem(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const CAppSettings* m_pSettings = nullptr;
};

// Fills the theme list from the catalogue under the filter's selected entry (nothing when none is)
// and the format's, when there is a format filter.
void InitThemesLB(CXThemesLB& list, const CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue,
                  const CXThemeFormatCB* format = nullptr);

// Makes the named theme visible and selected: switches the filter to the theme's photo count when the
// current filter hides it (a count without a filter entry keeps a chosen filter, or shows all themes
// when none is chosen), and the format to the theme's group when it hides the theme, refills the list
// and selects the theme when listed. False, changing nothing, when the catalogue has no such theme.
bool FindSelectTheme(CXThemesLB& list, CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue, const QString& name,
                     CXThemeFormatCB* format = nullptr);

// After the filter changed: refills the list, then selects the first theme when selectFirst is set,
// else the last theme when it is listed, else nothing. The owner then runs its theme selection handling.
void ThemeFilterChanged(CXThemesLB& list, const CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue,
                        bool selectFirst, const QString& lastTheme, const CXThemeFormatCB* format = nullptr);
