#pragma once

#include <QList>
#include <QString>

// What the preflight finds wrong with a flyer, one entry per problem. Each check adds its own
// rule; an error keeps the flyer from going out as it is, a warning only tells.
struct CXFinding
{
    enum class Level
    {
        Warning,
        Error
    };

    QString rule;  // "photo-outside", "photo-damaged" ...
    QString field; // what it is about: "photo1" ... "photo4"
    Level level = Level::Error;
    QString message; // one sentence for the user, naming the file or field

    bool IsError() const { return level == Level::Error; }
    friend bool operator==(const CXFinding&, const CXFinding&) = default;
};

using CXFindings = QList<CXFinding>;

inline bool HasErrors(const CXFindings& findings)
{
    for (const CXFinding& finding : findings) {
        if (finding.IsError())
            return true;
    }
    return false;
}

inline QString LevelName(CXFinding::Level level)
{
    return level == CXFinding::Level::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

// The words of the "empty-frame" finding and of the note in Flyer Details.
QString EmptyFrameMessage(int count);
// The preflight's warning about count photo frames a theme leaves empty.
CXFinding EmptyFrameFinding(int count);
