#include "compose/render/emptyframes.h"

#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/renderprotocol.h"
#include "compose/templatemerge.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

bool CountEmptyFrames(CXHTML2Image& renderer, const CXFlyerSource& source, int& count, QString* error)
{
    Q_ASSERT(source.settings);
    count = 0;
    const CAppSettings& settings = *source.settings;
    const CFlyerData& flyer = source.request.record;
    renderer.SetLoadRoots(PageLoadRoots(settings, source.request.look.templatePath,
                                        source.request.ProjectMode() ? flyer.GetFolder() : QString()));
    // The sidebar picture would be one more picture without an address; the blank one takes its place.
    const CMergeLook look =
        MakeMergeLook(source.request.look.font, source.request.look.color, settings.Path2BlankImage);
    const QString page = MergeTemplate(source.templateText, source.request, settings, look);
    QByteArray layout;
    QByteArray none;
    QString why;
    if (!renderer.RenderPrint(page, source.request.pageSize, RenderProtocol::PrintMode::Layout, layout, none, &why)) {
        if (error)
            *error = QStringLiteral("The flyer's layout could not be measured: %1").arg(why);
        return false;
    }
    count = EmptyFramesIn(ParsePictureLayout(layout));
    return true;
}

int EmptyFramesIn(const QList<CXPictureBox>& pictures)
{
    // An empty photo token is a bare file address; every other picture of the page names a file.
    int count = 0;
    for (const CXPictureBox& picture : pictures) {
        if (picture.shown && (picture.url == QLatin1String("file:///") || picture.url == QLatin1String("file://")))
            ++count;
    }
    return count;
}
