#include "options/ui/propertysheet.h"

#include "options/optionsrules.h"
#include "controls/ui/dialogunits.h"
#include "web/ui/helpviewer.h"

#include <QPushButton>
#include <QTabWidget>

namespace {
constexpr int kMargin = 6;
}

CXPropertySheet::CXPropertySheet(CAppSettings& settings, const QString& title, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(title);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("tabs"));
    m_pTabs->move(kMargin, kMargin);

    const auto makeButton = [this](const QString& text, PropertySheetId id) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QStringLiteral("id%1").arg(int(id)));
        button->setAutoDefault(false);
        return button;
    };
    m_pSave = makeButton(QStringLiteral("Save"), PropertySheetId::Save);
    m_pCancel = makeButton(QStringLiteral("Cancel"), PropertySheetId::Cancel);
    m_pHelp = makeButton(QStringLiteral("Help"), PropertySheetId::Help);
    m_pSave->setDefault(true);
    connect(m_pSave, &QPushButton::clicked, this, &CXPropertySheet::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CXPropertySheet::reject);
    connect(m_pHelp, &QPushButton::clicked, this, &CXPropertySheet::OnBnClickedHelp);
    LayoutSheet();
}

CXPropertySheet::~CXPropertySheet() = default;

void CXPropertySheet::AddPage(QWidget* page, const QString& helpTopic, std::function<void()> onOK)
{
    m_pages.append({page, helpTopic, std::move(onOK)});
    m_pTabs->addTab(page, page->windowTitle());
    LayoutSheet();
}

void CXPropertySheet::LayoutSheet()
{
    const DialogUnits du(font());
    m_pTabs->resize(m_pTabs->sizeHint());
    const QRect tabs = m_pTabs->geometry();
    const QRect cancel(QPoint(0, tabs.bottom() + 1 + du.Y(7)), du.Size(50, 14));
    const int width = tabs.right() + 1 + kMargin;
    setFixedSize(width, cancel.bottom() + 1 + du.Y(7));

    const SheetButtonRow row = LayoutSheetButtons(width, cancel);
    m_pSave->setGeometry(row.save);
    m_pCancel->setGeometry(row.cancel);
    m_pHelp->setGeometry(row.help);
}

void CXPropertySheet::showEvent(QShowEvent* event)
{
    LayoutSheet();
    QDialog::showEvent(event);
}

int CXPropertySheet::GetPageCount() const
{
    return int(m_pages.size());
}

QWidget* CXPropertySheet::GetActivePage() const
{
    return m_pTabs->currentWidget();
}

int CXPropertySheet::GetActiveIndex() const
{
    return m_pTabs->currentIndex();
}

void CXPropertySheet::SetActivePage(int index)
{
    m_pTabs->setCurrentIndex(index);
}

void CXPropertySheet::OnBnClickedHelp()
{
    const int index = m_pTabs->currentIndex();
    if (index < 0 || index >= m_pages.size())
        return;
    OpenHelpTopic(this, m_settings, m_pages.at(index).helpTopic);
}

void CXPropertySheet::accept()
{
    for (const Page& page : std::as_const(m_pages)) {
        if (page.onOK)
            page.onOK();
    }
    QDialog::accept();
}
