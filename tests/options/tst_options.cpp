#include "catalogue/fontcatalogue.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/ui/colorpalette.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/picturest.h"
#include "options/ui/optionsgeneralpage.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/optionssheet.h"
#include "options/ui/phonelabelcb.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"
#include "support/urlcatcher.h"

#include <QApplication>
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using TestSupport::Child;

namespace {

QMap<QString, QVariant> StoredValues()
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwick"),
                    QStringLiteral("Listora"));
    QMap<QString, QVariant> values;
    for (const QString& key : store.allKeys())
        values.insert(key, store.value(key));
    return values;
}

QMap<QString, QVariant> MemberValues(const CAppSettings& settings)
{
    QMap<QString, QVariant> values;
    for (const auto& v : settings.PersistedValues())
        values.insert(v.name, v.value);
    return values;
}

QStringList Entries(const QComboBox* combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

// Picks an entry as the user does, so the page hears of it.
void Choose(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

QSize StoredSize(const QString& path)
{
    return QImageReader(path).size();
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CXThemeCatalogue m_themes;
    CXFontCatalogue m_fonts;

    void Prepare(CAppSettings& settings)
    {
        settings.strSavePath = m_dir.filePath(QStringLiteral("My Listora"));
        settings.Path2TempFolder = m_dir.filePath(QStringLiteral("Temp"));
        settings.Path2Help = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Help");
        QDir().mkpath(settings.strSavePath);
        QDir().mkpath(settings.Path2TempFolder);
    }

    QString MakeImage(const QString& name, int width, int height, QColor color = QColor(40, 90, 160))
    {
        const QString path = m_dir.filePath(QStringLiteral("chosen/") + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        if (!image.save(path))
            qFatal("fixture not written: %s", qPrintable(path));
        return path;
    }

    static void ShowSheet(CPSDLGOptions& sheet)
    {
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    }

    // Answers the next file chooser with `file` and reports its title and start folder.
    static std::shared_ptr<QStringList> AnswerChooser(const QString& file)
    {
        auto seen = std::make_shared<QStringList>();
        TestSupport::WhenShown<QFileDialog>([seen, file](QFileDialog& chooser) {
            *seen << chooser.windowTitle() << chooser.directory().absolutePath();
            chooser.selectFile(file);
            static_cast<QDialog&>(chooser).accept();
        });
        return seen;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_themes.LoadAvailableThemes(QStringLiteral(LISTORA_TEST_DATA "/themes")));
        m_fonts.BuildKnownFonts();
        m_fonts.InitInstalledFonts();
    }

    void init() { CXMessageBoxTest::Clear(); }

    void sheetLayoutAndCaptions()
    {
        CAppSettings settings;
        Prepare(settings);
        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Options - Listora"));
        auto* tabs = sheet.findChild<QTabWidget*>();
        QCOMPARE(tabs->tabText(0), QStringLiteral("General Options"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("My Information"));
        QCOMPARE(Child<QPushButton>(sheet, PropertySheetId::Save)->text(), QStringLiteral("Save"));
        QCOMPARE(Child<QPushButton>(sheet, PropertySheetId::Help)->text(), QStringLiteral("Help"));
        const QRect save = Child<QPushButton>(sheet, PropertySheetId::Save)->geometry();
        const QRect cancel = Child<QPushButton>(sheet, PropertySheetId::Cancel)->geometry();
        const QRect help = Child<QPushButton>(sheet, PropertySheetId::Help)->geometry();
        QCOMPARE(help.right(), sheet.width() - 1 - 6);
        QCOMPARE(cancel.right(), help.left() - 1 - 6);
        QCOMPARE(save.right(), cancel.left() - 1 - 6);
        QVERIFY(save.top() > tabs->geometry().bottom());
        QCOMPARE(Child<QCheckBox>(sheet, OptionsGeneralId::ShowAllFonts)->text(),
                 QStringLiteral("Show All available TrueType && OpenType Fonts"));
        QCOMPARE(Child<QCheckBox>(sheet, OptionsGeneralId::ColorRealtorName)->text(), QStringLiteral("Realtor® Name"));
        // Nothing on the pages may stick out of them.
        for (QWidget* page : {static_cast<QWidget*>(&sheet.General()), static_cast<QWidget*>(&sheet.MyInfo())}) {
            for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(page->rect().contains(child->geometry()), qPrintable(child->objectName()));
        }
    }

    void cancelAfterChangingEverythingKeepsSettings()
    {
        CAppSettings settings;
        Prepare(settings);
        settings.FullName = QStringLiteral("Dana Whitfield");
        settings.PhoneLabel01 = 1;
        QVERIFY(settings._SaveSettings());
        const auto membersBefore = MemberValues(settings);
        const auto storedBefore = StoredValues();

        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        for (QCheckBox* box : sheet.General().findChildren<QCheckBox*>())
            box->click();
        auto* themes = Child<QComboBox>(sheet, OptionsGeneralId::DefaultTheme);
        Choose(themes, themes->itemText(themes->count() - 1));
        auto* fonts = Child<QComboBox>(sheet, OptionsGeneralId::DefaultFont);
        Choose(fonts, fonts->itemText(0));
        auto* palette = Child<CXColorPalette>(sheet, OptionsGeneralId::DefaultColor);
        const ColorRef colourBefore = palette->GetSelectedColor();
        QTest::mouseClick(palette, Qt::LeftButton, {}, palette->CalcRects().cells.at(0).center());
        QVERIFY(palette->GetSelectedColor() != colourBefore);

        sheet.SetActivePage(1);
        for (QLineEdit* edit : sheet.MyInfo().findChildren<QLineEdit*>())
            edit->setText(QStringLiteral("changed"));
        Child<QPlainTextEdit>(sheet, OptionsMyInfoId::Disclaimer)->setPlainText(QStringLiteral("changed"));
        Choose(Child<QComboBox>(sheet, OptionsMyInfoId::PhoneLabel01), QStringLiteral("FAX"));
        Choose(Child<QComboBox>(sheet, OptionsMyInfoId::PhoneLabel02), QStringLiteral("Home"));

        Child<QPushButton>(sheet, PropertySheetId::Cancel)->click();
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
        QCOMPARE(MemberValues(settings), membersBefore);
        QCOMPARE(StoredValues(), storedBefore);
    }

    void saveHandsBackEveryValue()
    {
        CAppSettings settings;
        Prepare(settings);
        settings.PhoneLabel01 = 1;
        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        QList<QCheckBox*> boxes = sheet.General().findChildren<QCheckBox*>();
        QCOMPARE(boxes.size(), 16);
        for (QCheckBox* box : boxes)
            box->click();
        Choose(Child<QComboBox>(sheet, OptionsGeneralId::DefaultTheme), QStringLiteral("Harbor View - KT210"));
        // All fonts are listed now, under their own names.
        Choose(Child<QComboBox>(sheet, OptionsGeneralId::DefaultFont), QStringLiteral("Liberation Serif"));
        auto* palette = Child<CXColorPalette>(sheet, OptionsGeneralId::DefaultColor);
        QTest::mouseClick(palette, Qt::LeftButton, {}, palette->CalcRects().cells.at(69).center());

        sheet.SetActivePage(1);
        Child<QLineEdit>(sheet, OptionsMyInfoId::FullName)->setText(QStringLiteral("Dana Whitfield"));
        Child<QLineEdit>(sheet, OptionsMyInfoId::Phone01)->setText(QStringLiteral("(800) 555-0199"));
        Choose(Child<QComboBox>(sheet, OptionsMyInfoId::PhoneLabel01), QStringLiteral("Toll-Free"));
        Child<QPlainTextEdit>(sheet, OptionsMyInfoId::Disclaimer)->setPlainText(QStringLiteral("Line one\nLine two"));
        Child<QPushButton>(sheet, PropertySheetId::Save)->click();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));

        CAppSettings result = settings;
        sheet.General().SaveTo(result);
        QVERIFY(sheet.MyInfo().m_bVisited);
        sheet.MyInfo().SaveProfileTo(result);
        QCOMPARE(result.ShowTooltips, 1 - settings.ShowTooltips);
        QCOMPARE(result.ShowQuickStart, 1 - settings.ShowQuickStart);
        QCOMPARE(result.ColorListingFeatures, 1 - settings.ColorListingFeatures);
        QCOMPARE(result.IncludeMyLogo, 1 - settings.IncludeMyLogo);
        QCOMPARE(result.DefaultThemeTemplate, QStringLiteral("Harbor View - KT210"));
        QCOMPARE(result.ShowAllFonts, 1 - settings.ShowAllFonts);
        QCOMPARE(result.DefaultThemeFont, QStringLiteral("Liberation Serif"));
        QCOMPARE(result.DefaultThemeColor, MakeColorRef(0xE6, 0xE6, 0xFA));
        QCOMPARE(result.FullName, QStringLiteral("Dana Whitfield"));
        QCOMPARE(result.Phone01, QStringLiteral("(800) 555-0199"));
        QCOMPARE(result.PhoneLabel01, 3);
        QCOMPARE(result.Disclaimer, QStringLiteral("Line one\nLine two"));
    }

    // A brand's exact colour as the default: typed in the colour dialog, remembered with Save only.
    void moreColorsGivesTheExactDefaultColour()
    {
        const ColorRef brand = MakeColorRef(0x00, 0x53, 0x9B);
        CAppSettings settings;
        Prepare(settings);
        settings.CustomColors = QStringLiteral("#102030");
        for (const bool save : {false, true}) {
            CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
            ShowSheet(sheet);
            auto* palette = Child<CXColorPalette>(sheet, OptionsGeneralId::DefaultColor);
            QCOMPARE(palette->Colors().Swatches().value(70), MakeColorRef(0x10, 0x20, 0x30));
            auto* more = sheet.General().findChild<QAbstractButton*>(QStringLiteral("IDC_BTN_MORECOLORS"));
            QVERIFY(more && more->isVisible());
            const auto watch = TestSupport::AnswerColorDialog(QStringLiteral("#00539B"));
            QTest::mouseClick(more, Qt::LeftButton);
            QVERIFY(watch->seen);
            QCOMPARE(palette->GetSelectedColor(), brand);
            QCOMPARE(palette->Colors().Swatches().value(70), brand);
            Child<QPushButton>(sheet, save ? PropertySheetId::Save : PropertySheetId::Cancel)->click();
            if (!save) {
                QCOMPARE(sheet.result(), int(QDialog::Rejected));
                QCOMPARE(settings.CustomColors, QStringLiteral("#102030"));
                continue;
            }
            CAppSettings result = settings;
            sheet.General().SaveTo(result);
            QCOMPARE(result.DefaultThemeColor, brand);
            QCOMPARE(result.CustomColors, QStringLiteral("#00539B #102030"));
        }
    }

    void myInformationCountsOnlyWhenShown()
    {
        CAppSettings settings;
        Prepare(settings);
        CPSDLGOptions untouched(settings, nullptr, m_themes, m_fonts);
        ShowSheet(untouched);
        Child<QPushButton>(untouched, PropertySheetId::Save)->click();
        QCOMPARE(untouched.MyInfo().m_bVisited, 0);

        CPSDLGOptions looked(settings, nullptr, m_themes, m_fonts);
        ShowSheet(looked);
        looked.SetActivePage(1);
        looked.SetActivePage(0);
        Child<QPushButton>(looked, PropertySheetId::Save)->click();
        QCOMPARE(looked.MyInfo().m_bVisited, 1);
    }

    // Over the pinned font set of data/fonts/fonts.conf, which has Tahoma but no Verdana.
    void missingDefaultFontFallsBackToTahoma()
    {
        CAppSettings settings;
        Prepare(settings);
        settings.ShowAllFonts = 0;
        settings.DefaultThemeFont = QStringLiteral("Verdana");
        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        auto* fonts = Child<QComboBox>(sheet, OptionsGeneralId::DefaultFont);
        QCOMPARE(Entries(fonts), QStringList({"Arial", "Courier New", "Tahoma", "Times New Roman"}));
        QCOMPARE(fonts->currentText(), QStringLiteral("Tahoma"));

        // All installed fonts at once, the chosen one kept; the catalogue names drawn through their
        // metric twins stay offered.
        Child<QCheckBox>(sheet, OptionsGeneralId::ShowAllFonts)->click();
        QVERIFY(Entries(fonts).contains(QStringLiteral("Liberation Sans")));
        QVERIFY(Entries(fonts).contains(QStringLiteral("Arial")));
        QCOMPARE(fonts->currentText(), QStringLiteral("Tahoma"));
        Child<QPushButton>(sheet, PropertySheetId::Save)->click();
        QCOMPARE(sheet.General().m_strDefaultFont, QStringLiteral("Tahoma"));
        QCOMPARE(sheet.General().m_bShowAllFonts, 1);
    }

    void defaultTheme_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("listed") << "Classic - KT301"
                                << "Classic - KT301";
        QTest::newRow("listed in other case") << "classic - kt301"
                                              << "Classic - KT301";
        QTest::newRow("removed theme") << "Gone - KT999"
                                       << "Brick Row - KT120";
        QTest::newRow("only a prefix") << "Classic"
                                       << "Brick Row - KT120";
        QTest::newRow("empty") << ""
                               << "Brick Row - KT120";
    }
    void defaultTheme()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        CAppSettings settings;
        Prepare(settings);
        settings.DefaultThemeTemplate = stored;
        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        auto* themes = Child<QComboBox>(sheet, OptionsGeneralId::DefaultTheme);
        QCOMPARE(Entries(themes), QStringList({"Brick Row - KT120", "Classic - KT301", "Harbor View - KT210"}));
        QCOMPARE(themes->currentText(), shown);
        Child<QPushButton>(sheet, PropertySheetId::Save)->click();
        QCOMPARE(sheet.General().m_strDefaultTheme, shown);
    }

    void noThemesGiveAnEmptyDefault()
    {
        CAppSettings settings;
        Prepare(settings);
        const CXThemeCatalogue none;
        CPSDLGOptions sheet(settings, nullptr, none, m_fonts);
        ShowSheet(sheet);
        QCOMPARE(Child<QComboBox>(sheet, OptionsGeneralId::DefaultTheme)->count(), 0);
        Child<QPushButton>(sheet, PropertySheetId::Save)->click();
        QCOMPARE(sheet.General().m_strDefaultTheme, QString());
    }

    void helpOpensTheTopicOfThePageInFront()
    {
        CAppSettings settings;
        Prepare(settings);
        TestSupport::UrlCatcher catcher({QStringLiteral("file")});
        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        Child<QPushButton>(sheet, PropertySheetId::Help)->click();
        sheet.SetActivePage(1);
        Child<QPushButton>(sheet, PropertySheetId::Help)->click();
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls[0].fileName(), QStringLiteral("Options_General.htm"));
        QCOMPARE(catcher.urls[1].fileName(), QStringLiteral("Options_MyInformation.htm"));
        QVERIFY(QFileInfo(catcher.urls[1].toLocalFile()).isFile());
        QVERIFY(sheet.isVisible());
    }

    void phoneLabelsCarryTheirValues()
    {
        CXPhoneLabelCB combo;
        combo.Fill();
        combo.Fill(); // refilling must not duplicate
        QCOMPARE(Entries(&combo), QStringList({"N/A", "Office", "Mobile", "Toll-Free", "Home", "FAX"}));
        QVERIFY(combo.SelectByItemData(3));
        QCOMPARE(combo.currentText(), QStringLiteral("Toll-Free"));
        QVERIFY(!combo.SelectByItemData(6));
        QCOMPARE(combo.SelectedItemData(), 3);

        // A damaged stored label shows no selection rather than a wrong one.
        CAppSettings settings;
        Prepare(settings);
        settings.PhoneLabel02 = 17;
        CPPDLGOptionsMyInfo page(settings);
        QCOMPARE(Child<QComboBox>(page, OptionsMyInfoId::PhoneLabel02)->currentIndex(), -1);
        page.OnOK();
        QCOMPARE(page.m_nPhoneLabel02, -1);
    }

    // The brokerage block reaches the settings through Save; the advertising rules follow the
    // brokerage name until the agent ticks or clears the box, and then keep that choice.
    void brokerageAndAdvertisingRules()
    {
        CAppSettings settings;
        Prepare(settings);
        CPPDLGOptionsMyInfo page(settings);
        auto* brokerage = page.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_BROKERAGE"));
        auto* phone = page.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_BROKERAGEPHONE"));
        auto* licence = page.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LICENCE"));
        auto* rules = page.findChild<QCheckBox*>(QStringLiteral("IDC_CHECK_ADRULES"));
        QVERIFY(brokerage && phone && licence && rules);
        QVERIFY(!rules->isChecked());
        QSignalSpy changed(&page, &CPPDLGOptionsMyInfo::ProfileChanged);
        brokerage->setText(QStringLiteral("Harbourline Realty"));
        QVERIFY(rules->isChecked());
        brokerage->clear();
        QVERIFY(!rules->isChecked());
        brokerage->setText(QStringLiteral("Harbourline Realty"));
        phone->setText(QStringLiteral("(503) 555-0100"));
        licence->setText(QStringLiteral("DRE #01234567"));
        QVERIFY(changed.size() >= 5);

        CAppSettings live;
        page.CurrentProfileTo(live);
        QCOMPARE(live.BrokerageName, QStringLiteral("Harbourline Realty"));
        QVERIFY(live.AdRulesOn());

        rules->click(); // the agent's own choice: off, whatever the brokerage
        QVERIFY(!rules->isChecked());
        brokerage->setText(QStringLiteral("Harbourline Realty Group"));
        QVERIFY(!rules->isChecked());
        page.OnOK();
        CAppSettings saved;
        page.SaveProfileTo(saved);
        QCOMPARE(saved.BrokerageName, QStringLiteral("Harbourline Realty Group"));
        QCOMPARE(saved.BrokeragePhone, QStringLiteral("(503) 555-0100"));
        QCOMPARE(saved.LicenceNumber, QStringLiteral("DRE #01234567"));
        QCOMPARE(saved.CheckAdRules, 0);
        QVERIFY(!saved.AdRulesOn());

        // Reopened with that choice, the box shows it.
        CPPDLGOptionsMyInfo again(saved);
        QVERIFY(!again.findChild<QCheckBox*>(QStringLiteral("IDC_CHECK_ADRULES"))->isChecked());
        QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LICENCE"))->text(),
                 QStringLiteral("DRE #01234567"));
    }

    void profileImages_data()
    {
        QTest::addColumn<bool>("logo");
        QTest::addColumn<QSize>("chosen");
        QTest::addColumn<QSize>("stored"); // empty when refused
        QTest::addColumn<QString>("note");
        QTest::newRow("portrait picture") << false << QSize(300, 400) << QSize(192, 256) << QString();
        QTest::newRow("landscape picture") << false << QSize(400, 300) << QSize()
                                           << "(Width: 400 pixels, Height: 300 pixels and Landscape orientation)";
        QTest::newRow("picture at the limits") << false << QSize(120, 180) << QSize()
                                               << "(Width: 120 pixels, Height: 180 pixels and Portrait orientation)";
        QTest::newRow("wide logo") << true << QSize(1000, 250) << QSize(200, 50) << QString();
        QTest::newRow("logo at the limits")
            << true << QSize(200, 100) << QSize() << "(Width: 200 pixels, Height: 100 pixels)";
        QTest::newRow("small square logo")
            << true << QSize(150, 150) << QSize() << "(Width: 150 pixels, Height: 150 pixels)";
    }
    void profileImages()
    {
        QFETCH(bool, logo);
        QFETCH(QSize, chosen);
        QFETCH(QSize, stored);
        QFETCH(QString, note);

        QTemporaryDir saveDir;
        CAppSettings settings;
        Prepare(settings);
        settings.strSavePath = saveDir.path();
        const QString target = saveDir.filePath(QLatin1String(logo ? "Logo.jpg" : "MyPicture.jpg"));
        // The picture the agent had before.
        QImage previous(20, 10, QImage::Format_RGB32);
        previous.fill(Qt::red);
        QVERIFY(previous.save(target, "JPG"));

        CPPDLGOptionsMyInfo page(settings);
        auto* preview = Child<CXPictureST>(page, logo ? OptionsMyInfoId::Logo : OptionsMyInfoId::Picture);
        QCOMPARE(preview->GetFile(), target);
        const QString file = MakeImage(QStringLiteral("pick/%1/%2x%3.png")
                                           .arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'))
                                           .arg(chosen.width())
                                           .arg(chosen.height()),
                                       chosen.width(), chosen.height());
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        const bool accepted = logo ? page.AcceptLogo(file) : page.AcceptMyPicture(file);
        const auto asked = CXMessageBoxTest::TakeAsked();

        CAppSettings reloaded;
        reloaded.LoadSettings();
        const QString remembered = logo ? reloaded.LastMyLogoPath : reloaded.LastMyPicturePath;
        if (stored.isValid()) {
            QVERIFY(accepted);
            QCOMPARE(asked.size(), 0);
            QCOMPARE(StoredSize(target), stored);
            QCOMPARE(QImageReader(target).format(), QByteArray("jpeg"));
            QCOMPARE(remembered, QFileInfo(file).absolutePath());
            QCOMPARE(preview->GetFile(), target);
            QCOMPARE(preview->GetMode(), int(CXPictureST::ModeFile));
        } else {
            QVERIFY(!accepted);
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked[0].text.contains(note), qPrintable(asked[0].text));
            QCOMPARE(StoredSize(target), QSize(20, 10));
            QVERIFY(remembered != QFileInfo(file).absolutePath());
        }
    }

    void damagedPictureKeepsThePreviousOne()
    {
        CAppSettings settings;
        Prepare(settings);
        const QString target = QDir(settings.strSavePath).filePath(QStringLiteral("MyPicture.jpg"));
        QImage previous(30, 40, QImage::Format_RGB32);
        previous.fill(Qt::red);
        QVERIFY(previous.save(target, "JPG"));
        // Its header promises 300 x 400, but the data ends half-way.
        const QString whole = MakeImage(QStringLiteral("damaged/whole.png"), 300, 400);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        const QString damaged = QFileInfo(whole).absolutePath() + QStringLiteral("/half.png");
        QFile cut(damaged);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() / 2));
        cut.close();

        CPPDLGOptionsMyInfo page(settings);
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QVERIFY(!page.AcceptMyPicture(damaged));
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].type & 0xF0, quint32(MsgBox::IconExclamation));
        QVERIFY2(asked[0].text.contains(QStringLiteral("The previous picture is kept.")), qPrintable(asked[0].text));
        QCOMPARE(StoredSize(target), QSize(30, 40));
        QCOMPARE(Child<CXPictureST>(page, OptionsMyInfoId::Picture)->GetFile(), target);
    }

    void chosenPictureOutlivesCancel()
    {
        CAppSettings settings;
        Prepare(settings);
        const QString startFolder = m_dir.filePath(QStringLiteral("chosen/start"));
        QDir().mkpath(startFolder);
        settings.LastMyPicturePath = startFolder;
        QFile::remove(QDir(settings.strSavePath).filePath(QStringLiteral("MyPicture.jpg")));
        const QString photo = MakeImage(QStringLiteral("agent/portrait.jpg"), 600, 800);

        CPSDLGOptions sheet(settings, nullptr, m_themes, m_fonts);
        ShowSheet(sheet);
        sheet.SetActivePage(1);
        auto* preview = Child<CXPictureST>(sheet, OptionsMyInfoId::Picture);
        QCOMPARE(preview->GetMode(), int(CXPictureST::ModeText));
        QCOMPARE(preview->GetText(), QStringLiteral("Choose Photo"));
        const auto seen = AnswerChooser(photo);
        Child<QPushButton>(sheet, OptionsMyInfoId::ChooseMyPicture)->click();
        QCOMPARE(*seen, QStringList({"Choose My Picture", startFolder}));
        QCOMPARE(preview->GetMode(), int(CXPictureST::ModeFile));

        Child<QPushButton>(sheet, PropertySheetId::Cancel)->click();
        const QString stored = QDir(settings.strSavePath).filePath(QStringLiteral("MyPicture.jpg"));
        QCOMPARE(StoredSize(stored), QSize(192, 256));
        CAppSettings reloaded;
        reloaded.LoadSettings();
        QCOMPARE(reloaded.LastMyPicturePath, QFileInfo(photo).absolutePath());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
