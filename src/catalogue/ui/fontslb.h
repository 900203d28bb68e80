#pragma once

#include "catalogue/fontcatalogue.h"
#include "catalogue/ui/ownerdrawnlb.h"

// The font list: every entry drawn in its own face on the list's gradient, the selected one marked by a bar.
class CXFontsLB : public CXOwnerDrawnLB
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXFontsLB)

public:
    static constexpr int kItemHeight = 35;

    explicit CXFontsLB(QWidget* parent = nullptr);

    // Replaces the entries; nothing is selected afterwards.
    void SetEntries(const QList<FontListEntry>& entries);

    // The entry whose text equals the given text exactly, or -1.
    int FindStringExact(const QString& text) const;

protected:
    void DrawItem(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Rebuilds the installed fonts and fills the list: every suitable installed font the user has not
// hidden, or only the installed catalogue fonts.
void InitFontsLB(CXFontsLB& list, CXFontCatalogue& catalogue, bool showAllFonts);

// After a rebuild: selects the current font when listed, else the default font when listed, else the
// first entry. Returns the selected entry (-1 for an empty list).
int SelectFontAfterRebuild(CXFontsLB& list, const QString& currentFont, const QString& defaultFont);
