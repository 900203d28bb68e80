// Make Campaign: the open listing's flyer, postcards and social pictures in one family, made by the
// window's own renderer one file at a time, so the window keeps working meanwhile.
#include "mainwin/ui/maindialog.h"

#include "compose/render/campaignpages.h"
#include "compose/ui/canvas.h"
#include "controls/ui/messagebox.h"
#include "output/campaign.h"
#include "output/ui/campaigndlg.h"
#include "settings/appinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QToolButton>

void CMainDialog::CreateCampaignControls()
{
    // Beside the flyer it is made from, where the canvas has room; the button row keeps its order.
    m_pCampaignButton = new QToolButton(this);
    m_pCampaignButton->setObjectName(QStringLiteral("IDC_BTN_CAMPAIGN"));
    m_pCampaignButton->setText(QStringLiteral("Make &Campaign..."));
    m_pCampaignButton->setToolTip(
        QStringLiteral("The flyer, the postcards and the social media pictures of this listing, in one go"));
    m_pCampaignButton->setEnabled(false);
    connect(m_pCampaignButton, &QToolButton::clicked, this, &CMainDialog::OnMakeCampaign);

    m_pCampaignProgress = new QProgressBar(this);
    m_pCampaignProgress->setObjectName(QStringLiteral("CampaignProgress"));
    m_pCampaignProgress->setTextVisible(true);
    m_pCampaignProgress->hide();
}

void CMainDialog::PlaceCampaignControls(const QRect& canvas)
{
    const QSize button = m_pCampaignButton->sizeHint();
    m_pCampaignButton->setGeometry(canvas.right() - 6 - button.width(), canvas.top() + 6, button.width(),
                                   button.height());
    m_pCampaignButton->raise();
    const int height = m_pCampaignProgress->sizeHint().height();
    const int width = std::min(canvas.width() - 24, 420);
    m_pCampaignProgress->setGeometry(canvas.center().x() - width / 2, canvas.bottom() - height - 10, width, height);
    m_pCampaignProgress->raise();
}

void CMainDialog::OnMakeCampaign()
{
    if (m_pCampaign || !m_document.IsProjectOpen())
        return;
    CDLGCampaign dialog(this, m_appSettings, m_themes, FamilyOfTheme(m_themes, m_document.SelTheme()));
    if (dialog.exec() != QDialog::Accepted)
        return;

    // The listing as it stands now, in the look on show: later edits belong to the next campaign.
    CCampaignListing listing;
    listing.record = m_document.FlyerData();
    listing.extras = m_document.Extras();
    listing.font = m_document.SelFont();
    listing.color = m_document.SelColor();
    const QList<CCampaignItem> plan = PlanCampaign(m_themes, dialog.Family(), dialog.Formats(),
                                                   CampaignBaseName(listing.record), m_document.SelTheme());
    m_pCampaign = std::make_unique<CXCampaignRun>(plan, listing, m_appSettings, EngineCampaignPages(*m_pRenderer),
                                                  dialog.Folder());
    m_pCampaignProgress->setRange(0, int(plan.size()));
    m_pCampaignProgress->setValue(0);
    connect(m_pCampaign.get(), &CXCampaignRun::FileStarted, this, [this](int index, int total, const QString& name) {
        m_pCampaignProgress->setFormat(QStringLiteral("Making %1 of %2: %3")
                                           .arg(index + 1)
                                           .arg(total)
                                           .arg(name.section(QStringLiteral(" - "), -1)));
    });
    connect(m_pCampaign.get(), &CXCampaignRun::FileDone, this,
            [this](const CCampaignResult&, int done, int) { m_pCampaignProgress->setValue(done); });
    connect(m_pCampaign.get(), &CXCampaignRun::Finished, this, &CMainDialog::OnCampaignFinished, Qt::QueuedConnection);
    QString error;
    if (!m_pCampaign->Start(&error)) {
        m_pCampaign.reset();
        TemplateMessageBox(this, error, AppInfo::DisplayName(), MsgBox::OK | MsgBox::IconExclamation);
        return;
    }
    m_pCampaignProgress->show();
    UpdateButtons();
}

void CMainDialog::OnCampaignFinished()
{
    const std::unique_ptr<CXCampaignRun> run = std::move(m_pCampaign);
    m_pCampaignProgress->hide();
    UpdateButtons();
    if (!run)
        return;
    const QString folder = QDir::toNativeSeparators(
        run->Results().isEmpty() ? QString() : QFileInfo(run->Results().constFirst().path).absolutePath());
    const QStringList failures = run->FailureLines();
    const int made = int(run->Results().size() - failures.size());
    if (failures.isEmpty()) {
        TemplateMessageBox(this,
                           QStringLiteral("The campaign's %1 file%2 %3 in %4.")
                               .arg(made)
                               .arg(made == 1 ? QString() : QStringLiteral("s"),
                                    made == 1 ? QStringLiteral("is") : QStringLiteral("are"), folder),
                           AppInfo::DisplayName(), MsgBox::OK | MsgBox::IconInformation);
        return;
    }
    TemplateMessageBox(this,
                       QStringLiteral("%1 of the campaign's files could not be made:\n\n%2\n\n%3 other%4 %5 in %6.")
                           .arg(failures.size())
                           .arg(failures.join(QLatin1Char('\n')))
                           .arg(made)
                           .arg(made == 1 ? QString() : QStringLiteral("s"),
                                made == 1 ? QStringLiteral("is") : QStringLiteral("are"), folder),
                       AppInfo::DisplayName(), MsgBox::OK | MsgBox::IconExclamation);
}
