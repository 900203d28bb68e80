#include "compose/render/campaignpages.h"

#include "compose/render/xhtml2image.h"

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
    // A feed's picture is seen at its full size: its photos come from the originals, as Export's.
    engine.picture = [&renderer, base](const CCampaignPage& page, QImage& picture, QString* error) {
        CXFlyerSource source = base;
        source.templateText = page.templateText;
        source.request = page.request;
        source.settings = page.settings;
        CXPrintPage made;
        if (!MakePrintPage(renderer, source, PrintPageWork::Picture, made, error))
            return false;
        picture = made.picture;
        return !picture.isNull();
    };
    return engine;
}
