#include "options/ui/optionssheet.h"

#include "options/ui/optionsgeneralpage.h"
#include "options/ui/optionsmyinfopage.h"
#include "settings/appinfo.h"
#include "web/helptopic.h"

CPSDLGOptions::CPSDLGOptions(CAppSettings& settings, QWidget* parent, const CXThemeCatalogue& themes,
                             const CXFontCatalogue& fonts)
    : CXPropertySheet(settings, QStringLiteral("Options - ") + AppInfo::DisplayName(), parent)
{
    setObjectName(QStringLiteral("CPSDLGOptions"));
    m_pGeneral = new CPPDLGOptionsGeneral(settings, themes, fonts);
    m_pMyInfo = new CPPDLGOptionsMyInfo(settings);
    AddPage(m_pGeneral, QString::fromLatin1(HelpTopic::OptionsGeneral), [this] { m_pGeneral->OnOK(); });
    AddPage(m_pMyInfo, QString::fromLatin1(HelpTopic::OptionsMyInformation), [this] { m_pMyInfo->OnOK(); });
}

CPSDLGOptions::~CPSDLGOptions() = default;
