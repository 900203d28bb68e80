#include "catalogue/ui/themeslb.h"

#include "settings/workingfolders.h"
#include "catalogue/listitemstyle.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "flyer/pagesize.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

} // namespace

CXThemeFilterCB::CXThemeFilterCB(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // activated() comes only from the user; the program's own selections stay silent.
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT SelChange(); });
}

void CXThemeFilterCB::FillFilter()
{
    clear();
    for (const ThemeFilterEntry& entry : ThemeFilterEntries())
        addItem(entry.text, entry.value);
    setCurrentIndex(-1);
}

int CXThemeFilterCB::GetFilterValue() const
{
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

bool CXThemeFilterCB::SelectFilterValue(int value)
{
    const int index = findData(value);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

CXThemeFormatCB::CXThemeFormatCB(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    for (const ThemeFilterEntry& entry : ThemeFormatEntries())
        addItem(entry.text, entry.value);
    setCurrentIndex(0);
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT SelChange(); });
}

int CXThemeFormatCB::GetFormatValue() const
{
    return currentIndex() < 0 ? int(kFormatAll) : currentData().toInt();
}

bool CXThemeFormatCB::SelectFormatValue(int value)
{
    const int index = findData(value);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

CXThemesLB::CXThemesLB(QWidget* parent) : CXOwnerDrawnLB(kItemHeight, parent) {}

void CXThemesLB::DrawItem(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString name = index.data(Qt::DisplayRole).toString();
    // Drawn from the file, not the catalogue, so the item shows what "Themes.ini" says now.
    const CXThemeTemplateInfo theme =
        m_pSettings ? CXThemeTemplateInfo(
                          ThemesFolderOf(name, m_pSettings->Path2Themes, WorkingFolders::UserThemesFolder()), name)
                    : CXThemeTemplateInfo();
    const ThemeItemLayout layout = CalcThemeItemLayout(option.rect);

    FillItemGradient(painter, layout.coverBox);
    for (const ShadowStrip& strip : CoverShadow(layout.coverFrame))
        painter.fillRect(strip.rect, QColor(strip.color));
    if (m_pSettings && !theme.GetCover().isEmpty()) {
        const QString coverPath = QDir(m_pSettings->Path2ThemeCovers).filePath(theme.GetCover());
        QImageReader reader(coverPath);
        const QImage cover = QFileInfo(coverPath).isFile() ? reader.read() : QImage();
        if (!cover.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(CoverPictureRect(cover.size(), layout.coverFrame), cover);
        }
    }

    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(11);
    title.setWeight(QFont::Bold);
    painter.setFont(title);
    painter.setPen(QColor(123, 123, 192));
    painter.drawText(layout.titleBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(title).elidedText(name, Qt::ElideRight, layout.titleBox.width()));

    QFont details(QStringLiteral("Verdana"));
    details.setPixelSize(10);
    details.setWeight(QFont::Normal);
    const QFontMetrics metrics(details);
    painter.setFont(details);
    painter.setPen(option.palette.color(QPalette::WindowText));
    painter.setClipRect(layout.detailsBox);
    int y = layout.detailsBox.top();
    const int maxLines = layout.detailsBox.height() / std::max(1, metrics.lineSpacing());
    const QStringList lines =
        WrapTextIntoLines(ThemeDetailsText(theme), layout.detailsBox.width(), maxLines,
                          [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
    for (const QString& line : lines) {
        painter.drawText(QRect(layout.detailsBox.left(), y, layout.detailsBox.width(), metrics.lineSpacing()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
    painter.setClipping(false);
}

void CXThemesLB::SetEntries(const QList<ThemeListEntry>& entries)
{
    QList<QListWidgetItem*> items;
    for (const ThemeListEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.name);
        item->setData(kIndexRole, entry.index);
        items.append(item);
    }
    ReplaceItems(items);
}

qsizetype CXThemesLB::GetItemData(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry ? entry->data(kIndexRole).toLongLong() : -1;
}

int CXThemesLB::FindStringExact(const QString& name) const
{
    return FindText(name, Qt::CaseInsensitive);
}

void InitThemesLB(CXThemesLB& list, const CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue,
                  const CXThemeFormatCB* format)
{
    list.SetEntries(
        BuildThemeList(catalogue, filter.GetFilterValue(), format ? format->GetFormatValue() : int(kFormatAll)));
}

bool FindSelectTheme(CXThemesLB& list, CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue, const QString& name,
                     CXThemeFormatCB* format)
{
    const int filterValue = filter.GetFilterValue();
    qsizetype index = 0;
    if (!catalogue.FindTheme(name, index))
        return false;
    const int photos = catalogue.at(index).GetPhotos();
    bool refill = false;
    if (filterValue != 0 && filterValue != photos) {
        // A count without a filter entry keeps the chosen filter; with none chosen yet the list would
        // stay empty, so all themes are shown instead.
        if (!filter.SelectFilterValue(photos) && filterValue < 0)
            filter.SelectFilterValue(0);
        refill = true;
    }
    const QSize page = catalogue.at(index).GetPageSize();
    if (format && !ThemePassesFormat(format->GetFormatValue(), page)) {
        const PageGroup group = PageGroupOf(page);
        format->SelectFormatValue(group == PageGroup::Postcards ? kFormatPostcards
                                  : group == PageGroup::Social  ? kFormatSocial
                                                                : kFormatFlyers);
        refill = true;
    }
    if (refill)
        InitThemesLB(list, filter, catalogue, format);
    list.SetCurSel(list.FindStringExact(name));
    return true;
}

void ThemeFilterChanged(CXThemesLB& list, const CXThemeFilterCB& filter, const CXThemeCatalogue& catalogue,
                        bool selectFirst, const QString& lastTheme, const CXThemeFormatCB* format)
{
    InitThemesLB(list, filter, catalogue, format);
    if (list.GetCount() == 0)
        return;
    list.SetCurSel(selectFirst ? 0 : list.FindStringExact(lastTheme));
}
