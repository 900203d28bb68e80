#pragma once

// What several benchmarks share: timing a peer program, and the shipped theme they draw.

#include "catalogue/themecatalogue.h"
#include "catalogue/themetemplateinfo.h"
#include "compose/templatemerge.h"
#include "settings/appsettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace BenchSupport {

// Runs one peer per page, as a script would; the wall-clock milliseconds of each run, or none when
// a run fails or writes no output.
inline QList<double> TimePeer(const QString& program, const QStringList& args, int runs, const QString& output)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(output);
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(program, args);
        if (!process.waitForFinished(120000) || process.exitCode() != 0 || !QFile::exists(output)) {
            std::fprintf(stderr, "%s failed (exit %d)\n", qPrintable(program), process.exitCode());
            return {};
        }
        times.append(clock.nsecsElapsed() / 1e6);
    }
    return times;
}

struct ShippedTheme
{
    CXThemeTemplateInfo info;
    QString templateText;
};

// A theme of the installed catalogue with its template read; none, with the reason on stderr.
inline std::optional<ShippedTheme> LoadShippedTheme(const CAppSettings& settings, const QString& name)
{
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes);
    qsizetype index = 0;
    if (!catalogue.FindTheme(name, index)) {
        std::fprintf(stderr, "theme %s not found in %s\n", qPrintable(name), qPrintable(settings.Path2Themes));
        return std::nullopt;
    }
    ShippedTheme theme{catalogue.at(index), QString()};
    if (!LoadTemplate(theme.info.GetTemplate(), theme.templateText)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(theme.info.GetTemplate()));
        return std::nullopt;
    }
    return theme;
}

} // namespace BenchSupport
