#include "compose/findings.h"

QString EmptyFrameMessage(int count)
{
    return count == 1 ? QStringLiteral("This theme leaves 1 photo frame empty: it has no layout for fewer photos. Add "
                                       "a photo or choose a theme with fewer photos.")
                      : QStringLiteral("This theme leaves %1 photo frames empty: it has no layout for fewer photos. "
                                       "Add photos or choose a theme with fewer photos.")
                            .arg(count);
}

CXFinding EmptyFrameFinding(int count)
{
    CXFinding finding;
    finding.rule = QStringLiteral("empty-frame");
    finding.field = QStringLiteral("photos");
    finding.level = CXFinding::Level::Warning;
    finding.message = EmptyFrameMessage(count);
    return finding;
}
