#include "output/ui/campaigndlg.h"

#include "catalogue/themecatalogue.h"
#include "controls/ui/messagebox.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// What each file is, as the list shows it.
QString FormatText(CampaignFormat format)
{
    switch (format) {
    case CampaignFormat::Flyer:
        return QStringLiteral("Flyer (print-quality PDF)");
    case CampaignFormat::Press:
        return QStringLiteral("Flyer for the print shop (press PDF with bleed)");
    case CampaignFormat::Postcard6x4:
        return QStringLiteral("Postcard 6 x 4 in, front and back (press PDF)");
    case CampaignFormat::Postcard9x6:
        return QStringLiteral("Postcard 9 x 6 in, front and back (press PDF)");
    case CampaignFormat::Square:
        return QStringLiteral("Square post, 1080 x 1080 (JPEG)");
    case CampaignFormat::Story:
        return QStringLiteral("Story, 1080 x 1920 (JPEG)");
    case CampaignFormat::Link:
        return QStringLiteral("Link preview, 1200 x 630 (JPEG)");
    }
    return QString();
}

} // namespace

CDLGCampaign::CDLGCampaign(QWidget* parent, CAppSettings& settings, const CXThemeCatalogue& themes,
                           const QString& family)
    : QDialog(parent), m_settings(settings), m_themes(themes)
{
    setObjectName(QStringLiteral("CDLGCampaign"));
    setWindowTitle(QStringLiteral("Make Campaign"));

    m_pFamily = new QComboBox(this);
    m_pFamily->setObjectName(QStringLiteral("IDC_COMBO_CAMPAIGN_FAMILY"));
    m_pFamily->addItems(CampaignFamilies(themes));
    const int familyIndex = m_pFamily->findText(FindCampaignFamily(themes, family));
    m_pFamily->setCurrentIndex(std::max(0, familyIndex));

    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName(QStringLiteral("IDC_EDIT_CAMPAIGN_FOLDER"));
    m_pFolder->setText(QDir::toNativeSeparators(settings.CampaignFolder.isEmpty() ? settings.LastExportToPath
                                                                                  : settings.CampaignFolder));
    m_pFolder->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setObjectName(QStringLiteral("IDC_BTN_CAMPAIGN_BROWSE"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_pFolder, 1);
    folderRow->addWidget(browse);

    m_pFormats = new QListWidget(this);
    m_pFormats->setObjectName(QStringLiteral("IDC_LIST_CAMPAIGN_FORMATS"));
    QList<CampaignFormat> ticked;
    if (!ParseCampaignFormats(settings.CampaignFormats, ticked))
        ticked = AllCampaignFormats();
    for (const CampaignFormat format : AllCampaignFormats()) {
        auto* item = new QListWidgetItem(FormatText(format), m_pFormats);
        item->setData(Qt::UserRole, CampaignFormatKey(format));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked.contains(format) ? Qt::Checked : Qt::Unchecked);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Theme &family:"), m_pFamily);
    form->addRow(QStringLiteral("Save &in:"), folderRow);
    form->addRow(QStringLiteral("&Make:"), m_pFormats);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Make"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("IDCANCEL"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Every file of the listing in one family, named after the listing."), this));
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &CDLGCampaign::OnBrowse);
    connect(m_pFamily, &QComboBox::currentIndexChanged, this, &CDLGCampaign::ShowFamilyFormats);
    ShowFamilyFormats();
}

QString CDLGCampaign::Folder() const
{
    return QDir::fromNativeSeparators(m_pFolder->text().trimmed());
}

QString CDLGCampaign::Family() const
{
    return m_pFamily->currentText();
}

QList<CampaignFormat> CDLGCampaign::Formats() const
{
    QList<CampaignFormat> formats;
    for (int row = 0; row < m_pFormats->count(); ++row) {
        const QListWidgetItem* item = m_pFormats->item(row);
        if (item->checkState() == Qt::Checked)
            formats.append(AllCampaignFormats().at(row));
    }
    return formats;
}

void CDLGCampaign::ShowFamilyFormats()
{
    const QList<CCampaignItem> plan = PlanCampaign(m_themes, Family(), AllCampaignFormats(), QString());
    for (int row = 0; row < m_pFormats->count() && row < plan.size(); ++row) {
        QListWidgetItem* item = m_pFormats->item(row);
        const CCampaignItem& planned = plan.at(row);
        QString text = FormatText(planned.format);
        if (!planned.theme)
            text += QStringLiteral(" - no theme in this family");
        item->setText(text);
        item->setToolTip(planned.theme ? planned.theme->GetName() : QString());
    }
}

void CDLGCampaign::OnBrowse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Save the Campaign in"), Folder());
    if (!chosen.isEmpty())
        m_pFolder->setText(QDir::toNativeSeparators(chosen));
}

void CDLGCampaign::accept()
{
    const auto tell = [this](const QString& text) {
        TemplateMessageBox(this, text, AppInfo::DisplayName(), MsgBox::OK | MsgBox::IconExclamation);
    };
    if (Folder().isEmpty() || !QDir::isAbsolutePath(Folder())) {
        tell(QStringLiteral("Choose the folder the campaign's files go to."));
        return;
    }
    if (Formats().isEmpty()) {
        tell(QStringLiteral("Tick at least one file to make."));
        return;
    }
    m_settings.CampaignFolder = Folder();
    m_settings.CampaignFormats = CampaignFormatsText(Formats());
    m_settings._SaveSettings();
    QDialog::accept();
}
