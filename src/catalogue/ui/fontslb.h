#pragma once

#include "catalogue/fontcatalogue.h"

#include <QListWidget>

// The font list: every entry drawn in its own face on the list's gradient, the selected one marked by a bar.
class CXFontsLB : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXFontsLB)

public:
    static constexpr int kItemHeight = 35;

    explicit CXFontsLB(QWidget* parent = nullptr);

    // Replaces the entries; nothing is selected afterwards.
    void SetEntries(const QList<FontListEntry>& entries);

    int GetCount() const { return count(); }
    // The selected entry, or -1.
    int GetCurSel() const;
    // Selects an entry (-1 clears the selection) without emitting SelChange().
    void SetCurSel(int index);
    QString GetText(int index) const;
    // The entry whose text equals the given text exactly, or -1.
    int FindStringExact(const QString& text) const;

Q_SIGNALS:
    // The user chose another entry.
    void SelChange();

private:
    int m_nQuiet = 0;
};

// Rebuilds the installed fonts and fills the list: every suitable installed font the user has not
// hidden, or only the installed catalogue fonts.
void InitFontsLB(CXFontsLB& list, CXFontCatalogue& catalogue, bool showAllFonts);

// After a rebuild: selects the current font when listed, else the default font when listed, else the
// first entry. Returns the selected entry (-1 for an empty list).
int SelectFontAfterRebuild(CXFontsLB& list, const QString& currentFont, const QString& defaultFont);
