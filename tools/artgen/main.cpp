#include "artgen.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

// Draws the program's pictures and the sample pictures of the data folder:
//   listora-artgen --data data --res res
// Run from the source tree and commit what changed.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"data", "The data folder (gets Samples/ and _blank.gif).", "folder"});
    parser.addOption({"res", "The resource folder (gets the button pictures, icon, splash and logo).", "folder"});
    parser.process(app);
    if (!parser.isSet("data") && !parser.isSet("res")) {
        std::fputs("nothing to do: give --data and/or --res\n", stderr);
        return 2;
    }

    if (parser.isSet("data")) {
        const QString data = parser.value("data");
        if (!QDir().mkpath(data + "/Samples") || !WriteHousePictures(data + "/Samples") || !WriteSampleMarks(data))
            return 1;
    }
    if (parser.isSet("res")) {
        const QString res = parser.value("res");
        if (!QDir().mkpath(res) || !WriteProgramPictures(res))
            return 1;
    }
    return 0;
}
