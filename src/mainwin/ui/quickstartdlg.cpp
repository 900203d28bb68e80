#include "mainwin/ui/quickstartdlg.h"

#include "options/ui/optionsmyinfopage.h"
#include "options/ui/propertysheet.h"
#include "controls/ui/dialogunits.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"
#include "web/helptopic.h"
#include "web/ui/helpviewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int kIconSize = 32;
}

CDLGQuickStart::CDLGQuickStart(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("CDLGQuickStart"));
    setWindowTitle(QStringLiteral("QuickStart - ") + AppInfo::DisplayName());

    const DialogUnits du(font());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* content = new QHBoxLayout;
    content->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    content->setSpacing(du.X(5));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    QIcon windowIcon = owner ? owner->window()->windowIcon() : QApplication::windowIcon();
    if (windowIcon.isNull())
        windowIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(windowIcon.pixmap(kIconSize, kIconSize));
    icon->setFixedWidth(kIconSize);
    content->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(du.Y(2));
    auto* text = new QLabel(QStringLiteral("Select an option to continue..."), this);
    text->setObjectName(QStringLiteral("content"));
    text->setMinimumHeight(kIconSize);
    column->addWidget(text);

    const QString name = AppInfo::DisplayName();
    const struct
    {
        int id;
        QString text;
    } links[] = {
        {ChoiceNewProject, QStringLiteral("Create a New Listing Flyer Project")},
        {ChoiceOpenProject, QStringLiteral("Open an Existing Listing Flyer Project")},
        {ChoiceProfile, QStringLiteral("View/Edit Your Profile")},
        {ChoiceMainWindow, QStringLiteral("Go to %1 Main Window").arg(name)},
        {ChoiceTutorial, QStringLiteral("View %1 Tutorial").arg(name)},
    };
    for (const auto& link : links) {
        auto* button = new QCommandLinkButton(link.text, this);
        button->setObjectName(QStringLiteral("id%1").arg(link.id));
        const int id = link.id;
        connect(button, &QCommandLinkButton::clicked, this, [this, id] { done(id); });
        column->addWidget(button);
    }
    content->addLayout(column, 1);
    outer->addLayout(content);

    m_nBandMargin = du.Y(5);
    auto* band = new QHBoxLayout;
    band->setContentsMargins(du.X(7), m_nBandMargin, du.X(7), m_nBandMargin);
    m_pShowOnStartup = new QCheckBox(QStringLiteral("Show QuickStart on Startup"), this);
    m_pShowOnStartup->setObjectName(QStringLiteral("verification"));
    m_pShowOnStartup->setChecked(true);
    band->addWidget(m_pShowOnStartup);
    outer->addLayout(band);

    setFixedWidth(du.X(212));
    setFixedHeight(heightForWidth(width()) > 0 ? heightForWidth(width()) : sizeHint().height());
}

CDLGQuickStart::~CDLGQuickStart() = default;

bool CDLGQuickStart::IsShowOnStartupChecked() const
{
    return m_pShowOnStartup->isChecked();
}

void CDLGQuickStart::SetShowOnStartupChecked(bool checked)
{
    m_pShowOnStartup->setChecked(checked);
}

void CDLGQuickStart::paintEvent(QPaintEvent*)
{
    // The choices on white, the check box on the window colour below a rule, as a task dialog shows them.
    QPainter painter(this);
    const int bandTop = m_pShowOnStartup->geometry().top() - m_nBandMargin;
    painter.fillRect(QRect(0, 0, width(), bandTop), Qt::white);
    painter.fillRect(QRect(0, bandTop, width(), height() - bandTop), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, bandTop, width(), bandTop);
}

int RunQuickStartChooser(QWidget* owner, CAppSettings& settings, const QuickStartActions& actions)
{
    if (!settings.ShowQuickStart)
        return CDLGQuickStart::ChoiceNone;

    // Owned by the main window, never by whatever is active: the splash, say, would take the
    // chooser with it when it closes.
    CDLGQuickStart chooser(owner);
    const int choice = chooser.exec();
    settings.ShowQuickStart = chooser.IsShowOnStartupChecked() ? 1 : 0;

    switch (choice) {
    case CDLGQuickStart::ChoiceNewProject:
        if (actions.newProject)
            actions.newProject();
        return choice;
    case CDLGQuickStart::ChoiceOpenProject:
        if (actions.openProject)
            actions.openProject();
        return choice;
    case CDLGQuickStart::ChoiceProfile:
        if (actions.editProfile)
            actions.editProfile();
        return choice;
    case CDLGQuickStart::ChoiceTutorial:
        OpenHelpTopic(nullptr, settings, QString::fromLatin1(HelpTopic::Tutorial));
        return choice;
    case CDLGQuickStart::ChoiceMainWindow:
        return choice;
    default:
        return CDLGQuickStart::ChoiceNone;
    }
}

bool RunProfileSheet(QWidget* owner, CAppSettings& settings, const std::function<void(CPPDLGOptionsMyInfo&)>& pageReady)
{
    CXPropertySheet sheet(settings, QStringLiteral("View/Edit Profile - ") + AppInfo::DisplayName(), owner);
    sheet.setObjectName(QStringLiteral("profileSheet"));
    auto* page = new CPPDLGOptionsMyInfo(settings);
    sheet.AddPage(page, QString::fromLatin1(HelpTopic::OptionsMyInformation), [page] { page->OnOK(); });
    if (pageReady)
        pageReady(*page);

    bool taken = false;
    if (sheet.exec() == QDialog::Accepted && page->m_bVisited) {
        page->SaveProfileTo(settings);
        settings._SaveSettings();
        taken = true;
    }
    ProcessEventsFor(100);
    return taken;
}
