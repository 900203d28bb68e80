#pragma once

// A theme family of the test's own and a four-photo listing for the campaign tests: made with
// listora-cli as a user would (theme-new from a shipped Letter theme, then the user's Themes.ini
// edited), so the tests do not depend on the shipped designs.

#include "settings/workingfolders.h"
#include "catalogue/themetemplateinfo.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSize>

namespace CampaignFixture {

inline const QString kPrice = QStringLiteral("$749,000");
inline const QString kUrl = QStringLiteral("https://homes.example/listing/12-elm?ref=card");

struct Kind
{
    const char* word; // in the theme's name: "<family> <word> - T1"
    QSize page;
    bool back;
};
inline const Kind kKinds[] = {
    {"Letter", QSize(816, 1056), false}, {"Square", QSize(1080, 1080), false}, {"Story", QSize(1080, 1920), false},
    {"Link", QSize(1200, 630), false},   {"Card 6x4", QSize(576, 384), true},  {"Card 9x6", QSize(864, 576), true},
};

inline QString ThemeName(const QString& family, const char* word)
{
    return QStringLiteral("%1 %2 - T1").arg(family, QString::fromLatin1(word));
}

// The back of a card: the price and the listing's QR code, nothing else.
inline const char kBack[] = "<html><body style=\"margin:0;background:#fff\"><p style=\"font:24px sans-serif;"
                            "margin:24px\">$_listingPrice$</p><img src=\"$_qrCode$\" style=\"margin:24px;"
                            "width:144px;height:144px\"></body></html>";

// Adds the themes of family in the words given (all kinds when empty) to the user's themes; false
// with the reason in error.
inline bool MakeFamily(const QString& family, QStringList words, QString* error)
{
    if (words.isEmpty())
        for (const Kind& kind : kKinds)
            words.append(QString::fromLatin1(kind.word));
    for (const QString& word : std::as_const(words)) {
        const TestSupport::ChildRun made =
            TestSupport::RunCli({QStringLiteral("theme-new"), ThemeName(family, word.toLatin1().constData()),
                                 QStringLiteral("--from"), QStringLiteral("Gallery - KT401")});
        if (made.exitCode != 0) {
            *error = made.Err();
            return false;
        }
    }
    const QString themes = WorkingFolders::UserThemesFolder();
    QFile ini(ThemeInfo::IniPath(themes));
    if (!ini.open(QIODevice::ReadOnly)) {
        *error = ini.errorString();
        return false;
    }
    const QStringList lines = QString::fromUtf8(ini.readAll()).split(QLatin1Char('\n'));
    ini.close();
    QStringList edited;
    const Kind* current = nullptr;
    QString folder;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            for (const Kind& kind : kKinds)
                if (line == QLatin1Char('[') + ThemeName(family, kind.word) + QLatin1Char(']'))
                    current = &kind;
        }
        if (!current) {
            edited.append(line);
            continue;
        }
        if (line.startsWith(QLatin1String("Width=")))
            edited.append(QStringLiteral("Width=%1").arg(current->page.width()));
        else if (line.startsWith(QLatin1String("Height=")))
            edited.append(QStringLiteral("Height=%1").arg(current->page.height()));
        else if (line.startsWith(QLatin1String("Family=")))
            edited.append(QStringLiteral("Family=%1").arg(family));
        else
            edited.append(line);
        if (line.startsWith(QLatin1String("Template=")) && current->back) {
            folder = line.mid(9).section(QLatin1Char('\\'), 0, 0);
            edited.append(QStringLiteral("Back=%1\\back.htm").arg(folder));
            QFile back(QDir(themes).filePath(folder + QStringLiteral("/back.htm")));
            if (!back.open(QIODevice::WriteOnly) || back.write(kBack) < 0) {
                *error = back.errorString();
                return false;
            }
        }
    }
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        ini.write(edited.join(QLatin1Char('\n')).toUtf8()) < 0) {
        *error = ini.errorString();
        return false;
    }
    return true;
}

// A saved four-photo listing with a web address in folder, in theme; its project file, or empty.
inline QString MakeProject(const QString& folder, const QString& theme, QString* error)
{
    const QString samples = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Samples/");
    QStringList args = {QStringLiteral("photos"), QStringLiteral("--folder"), folder};
    const char* pictures[] = {"House01-02.jpg", "House02-01.jpg", "House03-01.jpg", "House04-01.jpg"};
    for (int slot = 1; slot <= 4; ++slot)
        args << QStringLiteral("--slot") << QString::number(slot) << samples + QString::fromLatin1(pictures[slot - 1]);
    QDir().mkpath(folder);
    const TestSupport::ChildRun photos = TestSupport::RunCli(args);
    if (photos.exitCode != 0) {
        *error = photos.Err();
        return QString();
    }
    QJsonArray slots;
    for (const QJsonValue& path : QJsonDocument::fromJson(photos.out).array())
        slots.append(QJsonObject{{QStringLiteral("path"), path},
                                 {QStringLiteral("reserved"), QStringLiteral("00000000000000000000000000000000")}});
    const QJsonObject project{
        {QStringLiteral("id"), QStringLiteral("{6A0D1C4E-2B7F-4E59-9C3A-5D8E1F2A3B4C}")},
        {QStringLiteral("created"), 0},
        {QStringLiteral("printed_time"), 0},
        {QStringLiteral("printed"), 0},
        {QStringLiteral("theme"), theme},
        {QStringLiteral("font"), QStringLiteral("Tahoma")},
        {QStringLiteral("color"), 0x7B7BC0},
        {QStringLiteral("caption"), QStringLiteral("Sunny family home")},
        {QStringLiteral("mls"), QStringLiteral("ML81234")},
        {QStringLiteral("price"), kPrice},
        {QStringLiteral("address"), QStringLiteral("12 Elm Street")},
        {QStringLiteral("city_state_zip"), QStringLiteral("Springfield, IL 62701")},
        {QStringLiteral("description"), QStringLiteral("Bright rooms, a deep garden and a quiet street.")},
        {QStringLiteral("features"), QJsonArray{QStringLiteral("3 Beds"), QStringLiteral("2 Baths"),
                                                QStringLiteral("Garage"), QStringLiteral("Garden")}},
        {QStringLiteral("photos"), slots},
        {QStringLiteral("photo_folder"), folder},
        {QStringLiteral("listing_url"), kUrl},
    };
    const QString file = QDir(folder).filePath(QStringLiteral("FlyerData.lso"));
    const TestSupport::ChildRun written = TestSupport::RunCli(
        {QStringLiteral("project"), QStringLiteral("write"), file}, {.input = QJsonDocument(project).toJson()});
    if (written.exitCode != 0) {
        *error = written.Err();
        return QString();
    }
    return file;
}

// The files a campaign of the fixture's listing makes, in order.
inline const QString kBase = QStringLiteral("ML81234 - 12 Elm Street - Springfield, IL 62701");
inline QStringList CampaignFiles()
{
    return {kBase + QStringLiteral(" - Flyer.pdf"),        kBase + QStringLiteral(" - Flyer (press).pdf"),
            kBase + QStringLiteral(" - Postcard 6x4.pdf"), kBase + QStringLiteral(" - Postcard 9x6.pdf"),
            kBase + QStringLiteral(" - Square.jpg"),       kBase + QStringLiteral(" - Story.jpg"),
            kBase + QStringLiteral(" - Link.jpg")};
}

} // namespace CampaignFixture
