#include "campaignfixture.h"
#include "controls/ui/messagebox.h"
#include "mainwin/windowfixture.h"
#include "output/campaign.h"
#include "output/ui/campaigndlg.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// The dialog as a user leaves it: the folder typed and only the formats in keys ticked.
void FillIn(CDLGCampaign& dialog, const QString& folder, const QStringList& keys)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_CAMPAIGN_FOLDER"));
    edit->selectAll();
    QTest::keyClicks(edit, folder);
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("IDC_LIST_CAMPAIGN_FORMATS"));
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const bool wanted = keys.contains(item->data(Qt::UserRole).toString());
        if ((item->checkState() == Qt::Checked) != wanted)
            item->setCheckState(wanted ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList Ticked(const CDLGCampaign& dialog)
{
    QStringList keys;
    for (const CampaignFormat format : dialog.Formats())
        keys.append(CampaignFormatKey(format));
    return keys;
}

} // namespace

class TestCampaignDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void runMakesTheTickedFilesAndNamesTheFailed();
    void dialogRemembersFolderAndTicks();

private:
    QTemporaryDir m_dir;
    QString m_strProject;
    QString m_strOut;
};

void TestCampaignDialog::initTestCase()
{
    QString error;
    QVERIFY2(CampaignFixture::MakeFamily(QStringLiteral("Testfamily"), {}, &error), qPrintable(error));
    m_strProject =
        CampaignFixture::MakeProject(m_dir.filePath(QStringLiteral("project")),
                                     CampaignFixture::ThemeName(QStringLiteral("Testfamily"), "Letter"), &error);
    QVERIFY2(!m_strProject.isEmpty(), qPrintable(error));
    m_strOut = m_dir.filePath(QStringLiteral("campaign"));
}

void TestCampaignDialog::runMakesTheTickedFilesAndNamesTheFailed()
{
    const auto window = ShowMainWindow([](CMainDialog& w) { return TestSupport::WaitIdle(w); });
    QToolButton* command = window->CampaignButton();
    QVERIFY(command);
    QVERIFY(!command->isEnabled()); // no listing open
    QVERIFY(window->OpenProjectFile(m_strProject));
    QVERIFY(TestSupport::WaitIdle(*window));
    QVERIFY(command->isEnabled());

    // The square cannot be written: a folder has its name.
    const QString square = CampaignFixture::kBase + QStringLiteral(" - Square.jpg");
    QVERIFY(QDir().mkpath(QDir(m_strOut).filePath(square)));
    const QStringList keys = {QStringLiteral("flyer"), QStringLiteral("postcard-6x4"), QStringLiteral("square"),
                              QStringLiteral("link")};
    const auto watch = TestSupport::WhenShown<CDLGCampaign>([this, keys](CDLGCampaign& dialog) {
        FillIn(dialog, QDir::toNativeSeparators(m_strOut), keys);
        dialog.findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
    });
    command->click();
    QVERIFY(watch->seen);

    // The window goes on while the files are made; the progress shows under the flyer.
    auto* progress = window->findChild<QProgressBar*>(QStringLiteral("CampaignProgress"));
    QVERIFY(window->CampaignRun());
    QVERIFY(progress->isVisible());
    QVERIFY(!command->isEnabled());
    QCOMPARE(progress->maximum(), 4);
    QSet<int> seen;
    CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
    QList<CXMessageBoxTest::Asked> asked;
    QVERIFY(QTest::qWaitFor(
        [&] {
            seen.insert(progress->value());
            asked += CXMessageBoxTest::TakeAsked();
            return !asked.isEmpty();
        },
        120000));
    QVERIFY2(seen.size() > 1, "the progress never moved while the window waited");
    QVERIFY(!progress->isVisible());
    QVERIFY(command->isEnabled());

    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().text.contains(square), qPrintable(asked.first().text));
    QVERIFY2(asked.first().text.startsWith(QStringLiteral("1 of the campaign's files could not be made")),
             qPrintable(asked.first().text));
    for (const char* ending : {" - Flyer.pdf", " - Postcard 6x4.pdf", " - Link.jpg"}) {
        const QFileInfo made(QDir(m_strOut).filePath(CampaignFixture::kBase + QString::fromLatin1(ending)));
        QVERIFY2(made.isFile() && made.size() > 0, qPrintable(made.filePath()));
    }
    QVERIFY(!QFileInfo::exists(QDir(m_strOut).filePath(CampaignFixture::kBase + QStringLiteral(" - Story.jpg"))));
}

void TestCampaignDialog::dialogRemembersFolderAndTicks()
{
    // What the run before chose is in the store and comes back in a new dialog.
    CAppSettings stored;
    WorkingFolders::InitAppSettings(stored);
    QCOMPARE(stored.CampaignFolder, m_strOut);
    QCOMPARE(stored.CampaignFormats, QStringLiteral("flyer,postcard-6x4,square,link"));

    CXThemeCatalogue themes;
    themes.LoadAvailableThemes(stored.Path2Themes, WorkingFolders::UserThemesFolder());
    CDLGCampaign dialog(nullptr, stored, themes, QStringLiteral("testfamily"));
    QCOMPARE(dialog.Family(), QStringLiteral("Testfamily"));
    QCOMPARE(dialog.Folder(), m_strOut);
    QCOMPARE(Ticked(dialog), QStringList({QStringLiteral("flyer"), QStringLiteral("postcard-6x4"),
                                          QStringLiteral("square"), QStringLiteral("link")}));

    // Nothing ticked is refused with a word, and nothing is stored.
    FillIn(dialog, m_dir.filePath(QStringLiteral("elsewhere")), {});
    CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 1);
    CAppSettings after;
    after.LoadSettings();
    QCOMPARE(after.CampaignFolder, m_strOut);
}

QTEST_MAIN(TestCampaignDialog)
#include "tst_campaigndialog.moc"
