#pragma once

#include "options/ui/propertysheet.h"

class CAppSettings;
class CPPDLGOptionsGeneral;
class CPPDLGOptionsMyInfo;
class CXFontCatalogue;
class CXThemeCatalogue;

// The Options command's sheet: the General page, then My Information. Nothing reaches the settings
// while it runs (except a chosen picture or logo, stored at once); after Accepted the caller copies
// General().SaveTo(...) and, when MyInfo().m_bVisited is set, MyInfo().SaveProfileTo(...).
class CPSDLGOptions : public CXPropertySheet
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPSDLGOptions)

public:
    CPSDLGOptions(CAppSettings& settings, QWidget* parent, const CXThemeCatalogue& themes,
                  const CXFontCatalogue& fonts);
    ~CPSDLGOptions() override;

    CPPDLGOptionsGeneral& General() const { return *m_pGeneral; }
    CPPDLGOptionsMyInfo& MyInfo() const { return *m_pMyInfo; }

private:
    CPPDLGOptionsGeneral* m_pGeneral = nullptr;
    CPPDLGOptionsMyInfo* m_pMyInfo = nullptr;
};
