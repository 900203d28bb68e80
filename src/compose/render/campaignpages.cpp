#include "compose/render/campaignpages.h"

#include "compose/loadpolicy.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"

#include <QFile>

CCampaignEngine EngineCampaignPages(CXHTML2Image& renderer, const CXFlyerSource& base)
{
    CCampaignEngine engine;
    engine.printPdf = [&renderer, base](const CCampaignPage& page, bool press, QByteArray& pdf, QString* error) {
        CXFlyerSource source = base;
        source.templateText = page.templateText;
        source.request = page.request;
        source.settings = page.settings;
        CXPrintPage made;
        if (!MakePrintPage(renderer, source, press ? PrintPageWork::Press : PrintPageWork::Pdf, made, error))
            return false;
        pdf = made.pdf;
        return true;
    };
    engine.picture = [&renderer](const CCampaignPage& page, QImage& picture, QString* error) {
        const FlyerRequest& request = page.request;
        const CFlyerPage merged = ComposeFlyerPage(page.templateText, request, *page.settings);
        renderer.SetLoadRoots(PageLoadRoots(*page.settings, request.look.templatePath, request.record.GetFolder()));
        const bool rendered =
            renderer.Render(merged.page, request.pageSize.width(), request.pageSize.height(), picture, error);
        if (!merged.sidebarImage.isEmpty())
            QFile::remove(merged.sidebarImage);
        return rendered;
    };
    return engine;
}
