#include "options/ui/optionsmyinfopage.h"

#include "controls/messageboxtypes.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/picturest.h"
#include "imaging/imagelibrary.h"
#include "imaging/profilepictures.h"
#include "options/optionsrules.h"
#include "options/ui/phonelabelcb.h"
#include "controls/ui/dialogunits.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QPushButton>
#include <QShowEvent>

CPPDLGOptionsMyInfo::CPPDLGOptionsMyInfo(CAppSettings& settings, QWidget* parent)
    : QWidget(parent), m_strFileFilter(ProfileImageFileFilter()), m_settings(settings)
{
    setObjectName(QStringLiteral("CPPDLGOptionsMyInfo"));
    setWindowTitle(QStringLiteral("My Information"));
    BuildControls();
    OnInitDialog();
    for (QLineEdit* edit :
         {m_pFullName, m_pCredentials, m_pCompanyName, m_pAddress, m_pCityStateZip, m_pPhone01, m_pPhone02,
          m_pEmailAddress, m_pWebsite, m_pBrokerageName, m_pBrokeragePhone, m_pLicenceNumber})
        connect(edit, &QLineEdit::textChanged, this, &CPPDLGOptionsMyInfo::ProfileChanged);
    connect(m_pDisclaimer, &QPlainTextEdit::textChanged, this, &CPPDLGOptionsMyInfo::ProfileChanged);
    // Until the agent decides, the rules follow the brokerage: on once one is named.
    connect(m_pBrokerageName, &QLineEdit::textChanged, this, [this](const QString& name) {
        if (m_nCheckAdRules < 0) {
            const QSignalBlocker blocker(m_pCheckAdRules);
            m_pCheckAdRules->setChecked(!name.trimmed().isEmpty());
        }
    });
    connect(m_pCheckAdRules, &QCheckBox::clicked, this, [this](bool checked) {
        m_nCheckAdRules = checked ? 1 : 0;
        Q_EMIT ProfileChanged();
    });
    for (QComboBox* combo : {static_cast<QComboBox*>(m_pPhoneLabel01), static_cast<QComboBox*>(m_pPhoneLabel02)})
        connect(combo, &QComboBox::currentIndexChanged, this, &CPPDLGOptionsMyInfo::ProfileChanged);
}

void CPPDLGOptionsMyInfo::CurrentProfileTo(CAppSettings& settings) const
{
    settings.FullName = m_pFullName->text();
    settings.Credentials = m_pCredentials->text();
    settings.CompanyName = m_pCompanyName->text();
    settings.Address = m_pAddress->text();
    settings.CityStateZipCode = m_pCityStateZip->text();
    settings.PhoneLabel01 = m_pPhoneLabel01->SelectedItemData();
    settings.Phone01 = m_pPhone01->text();
    settings.PhoneLabel02 = m_pPhoneLabel02->SelectedItemData();
    settings.Phone02 = m_pPhone02->text();
    settings.EmailAddress = m_pEmailAddress->text();
    settings.Website = m_pWebsite->text();
    settings.Disclaimer = m_pDisclaimer->toPlainText();
    settings.BrokerageName = m_pBrokerageName->text();
    settings.BrokeragePhone = m_pBrokeragePhone->text();
    settings.LicenceNumber = m_pLicenceNumber->text();
    settings.CheckAdRules = m_nCheckAdRules;
}

CPPDLGOptionsMyInfo::~CPPDLGOptionsMyInfo() = default;

void CPPDLGOptionsMyInfo::BuildControls()
{
    const DialogUnits du(font());
    setFixedSize(du.Size(373, 276));

    constexpr int kEditX = 72;
    constexpr int kEditWidth = 172;
    constexpr int kRowStep = 17;
    const auto makeLabel = [this, &du](const char* text, int y, QWidget* buddy) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setGeometry(du.Rect(7, y + 2, kEditX - 9, 9));
        label->setBuddy(buddy);
    };
    using Id = OptionsMyInfoId;
    const auto makeEdit = [this, &du](Id id, int x, int y, int width) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("id%1").arg(int(id)));
        edit->setGeometry(du.Rect(x, y, width, 13));
        return edit;
    };
    const auto makePhoneLabel = [this, &du](Id id, int y) {
        auto* combo = new CXPhoneLabelCB(this);
        combo->setObjectName(QStringLiteral("id%1").arg(int(id)));
        combo->setGeometry(du.Rect(kEditX, y, 58, 13));
        connect(combo, &QComboBox::activated, this, &CPPDLGOptionsMyInfo::OnCbnSelchangePhoneLabel);
        return combo;
    };

    int y = 8;
    const struct
    {
        const char* label;
        Id id;
        QLineEdit** edit;
    } texts[] = {
        {"Full Name:", Id::FullName, &m_pFullName},
        {"Credentials:", Id::Credentials, &m_pCredentials},
        {"Company Name:", Id::CompanyName, &m_pCompanyName},
        {"Address:", Id::Address, &m_pAddress},
        {"City, State, Zip:", Id::CityStateZip, &m_pCityStateZip},
    };
    for (const auto& row : texts) {
        *row.edit = makeEdit(row.id, kEditX, y, kEditWidth);
        makeLabel(row.label, y, *row.edit);
        y += kRowStep;
    }

    m_pPhoneLabel01 = makePhoneLabel(Id::PhoneLabel01, y);
    m_pPhone01 = makeEdit(Id::Phone01, kEditX + 62, y, kEditWidth - 62);
    makeLabel("Phone #1:", y, m_pPhoneLabel01);
    y += kRowStep;
    m_pPhoneLabel02 = makePhoneLabel(Id::PhoneLabel02, y);
    m_pPhone02 = makeEdit(Id::Phone02, kEditX + 62, y, kEditWidth - 62);
    makeLabel("Phone #2:", y, m_pPhoneLabel02);
    y += kRowStep;

    m_pEmailAddress = makeEdit(Id::EmailAddress, kEditX, y, kEditWidth);
    makeLabel("E-mail Address:", y, m_pEmailAddress);
    y += kRowStep;
    m_pWebsite = makeEdit(Id::Website, kEditX, y, kEditWidth);
    makeLabel("Website:", y, m_pWebsite);
    y += kRowStep;

    const struct
    {
        const char* label;
        const char* name;
        QLineEdit** edit;
    } brokerage[] = {
        {"Brokerage:", "IDC_EDIT_BROKERAGE", &m_pBrokerageName},
        {"Brokerage Phone:", "IDC_EDIT_BROKERAGEPHONE", &m_pBrokeragePhone},
        {"Licence Number:", "IDC_EDIT_LICENCE", &m_pLicenceNumber},
    };
    for (const auto& row : brokerage) {
        *row.edit = makeEdit(Id(0), kEditX, y, kEditWidth);
        (*row.edit)->setObjectName(QString::fromLatin1(row.name));
        makeLabel(row.label, y, *row.edit);
        y += kRowStep;
    }
    m_pLicenceNumber->setPlaceholderText(QStringLiteral("e.g. DRE #01234567"));

    m_pCheckAdRules = new QCheckBox(QStringLiteral("Check the advertising rules"), this);
    m_pCheckAdRules->setObjectName(QStringLiteral("IDC_CHECK_ADRULES"));
    m_pCheckAdRules->setGeometry(du.Rect(kEditX, 252, kEditWidth, 12));
    m_pCheckAdRules->setToolTip(
        QStringLiteral("Before a flyer goes out, check that it names your brokerage, at no less "
                       "than half the size of your name and phone numbers"));

    m_pDisclaimer = new QPlainTextEdit(this);
    m_pDisclaimer->setObjectName(QStringLiteral("id%1").arg(int(Id::Disclaimer)));
    m_pDisclaimer->setGeometry(du.Rect(kEditX, y, kEditWidth, 248 - y));
    m_pDisclaimer->setTabChangesFocus(true);
    makeLabel("Disclaimer:", y, m_pDisclaimer);

    const auto makePreview = [this, &du](Id id, int top, int height) {
        auto* preview = new CXPictureST(this);
        preview->setObjectName(QStringLiteral("id%1").arg(int(id)));
        preview->setGeometry(du.Rect(252, top, 114, height));
        preview->SetMargin(6);
        preview->SetShadow(true, 2);
        return preview;
    };
    const auto makeButton = [this, &du](Id id, const char* text, int top, void (CPPDLGOptionsMyInfo::*handler)()) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setObjectName(QStringLiteral("id%1").arg(int(id)));
        button->setGeometry(du.Rect(252, top, 114, 14));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
    };
    m_pPicture = makePreview(Id::Picture, 8, 109);
    makeButton(Id::ChooseMyPicture, "Choose My Picture", 121, &CPPDLGOptionsMyInfo::OnBnClickedChooseMyPicture);
    m_pLogo = makePreview(Id::Logo, 143, 99);
    makeButton(Id::ChooseLogo, "Choose Business Logo", 246, &CPPDLGOptionsMyInfo::OnBnClickedChooseLogo);
}

QString CPPDLGOptionsMyInfo::MyPicturePath() const
{
    return QDir(m_settings.strSavePath).filePath(QString::fromLatin1(kMyPictureFileName));
}

QString CPPDLGOptionsMyInfo::LogoPath() const
{
    return QDir(m_settings.strSavePath).filePath(QString::fromLatin1(kLogoFileName));
}

void CPPDLGOptionsMyInfo::OnInitDialog()
{
    m_pPhoneLabel01->Fill();
    m_pPhoneLabel02->Fill();

    m_strFullName = m_settings.FullName;
    m_strCredentials = m_settings.Credentials;
    m_strCompanyName = m_settings.CompanyName;
    m_strAddress = m_settings.Address;
    m_strCityStateZip = m_settings.CityStateZipCode;
    m_nPhoneLabel01 = m_settings.PhoneLabel01;
    m_strPhone01 = m_settings.Phone01;
    m_nPhoneLabel02 = m_settings.PhoneLabel02;
    m_strPhone02 = m_settings.Phone02;
    m_strEmailAddress = m_settings.EmailAddress;
    m_strWebsite = m_settings.Website;
    m_strDisclaimer = m_settings.Disclaimer;
    m_strBrokerageName = m_settings.BrokerageName;
    m_strBrokeragePhone = m_settings.BrokeragePhone;
    m_strLicenceNumber = m_settings.LicenceNumber;
    m_nCheckAdRules = m_settings.CheckAdRules;

    const struct
    {
        CXPictureST* preview;
        const char* caption;
        QString file;
    } previews[] = {
        {m_pPicture, "Choose Photo", MyPicturePath()},
        {m_pLogo, "Choose Logo", LogoPath()},
    };
    for (const auto& p : previews) {
        p.preview->SetText(QString::fromLatin1(p.caption));
        p.preview->ClearFile();
        if (QFileInfo(p.file).isFile()) {
            p.preview->SetFile(p.file);
            p.preview->SetMode(CXPictureST::ModeFile);
        }
    }

    UpdateData(false);
}

void CPPDLGOptionsMyInfo::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strFullName = m_pFullName->text();
        m_strCredentials = m_pCredentials->text();
        m_strCompanyName = m_pCompanyName->text();
        m_strAddress = m_pAddress->text();
        m_strCityStateZip = m_pCityStateZip->text();
        m_nPhoneLabel01 = m_pPhoneLabel01->SelectedItemData();
        m_strPhone01 = m_pPhone01->text();
        m_nPhoneLabel02 = m_pPhoneLabel02->SelectedItemData();
        m_strPhone02 = m_pPhone02->text();
        m_strEmailAddress = m_pEmailAddress->text();
        m_strWebsite = m_pWebsite->text();
        m_strDisclaimer = m_pDisclaimer->toPlainText();
        m_strBrokerageName = m_pBrokerageName->text();
        m_strBrokeragePhone = m_pBrokeragePhone->text();
        m_strLicenceNumber = m_pLicenceNumber->text();
        return;
    }
    m_pFullName->setText(m_strFullName);
    m_pCredentials->setText(m_strCredentials);
    m_pCompanyName->setText(m_strCompanyName);
    m_pAddress->setText(m_strAddress);
    m_pCityStateZip->setText(m_strCityStateZip);
    if (!m_pPhoneLabel01->SelectByItemData(m_nPhoneLabel01))
        m_pPhoneLabel01->setCurrentIndex(-1);
    m_pPhone01->setText(m_strPhone01);
    if (!m_pPhoneLabel02->SelectByItemData(m_nPhoneLabel02))
        m_pPhoneLabel02->setCurrentIndex(-1);
    m_pPhone02->setText(m_strPhone02);
    m_pEmailAddress->setText(m_strEmailAddress);
    m_pWebsite->setText(m_strWebsite);
    // Profiles brought over from the older version keep CR LF line breaks.
    m_pDisclaimer->setPlainText(QString(m_strDisclaimer).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    m_pBrokerageName->setText(m_strBrokerageName);
    m_pBrokeragePhone->setText(m_strBrokeragePhone);
    m_pLicenceNumber->setText(m_strLicenceNumber);
    const QSignalBlocker blocker(m_pCheckAdRules);
    m_pCheckAdRules->setChecked(m_nCheckAdRules < 0 ? !m_strBrokerageName.trimmed().isEmpty() : m_nCheckAdRules == 1);
}

void CPPDLGOptionsMyInfo::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        m_bVisited = 1;
    QWidget::showEvent(event);
}

void CPPDLGOptionsMyInfo::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        m_bVisited = 1;
    QWidget::hideEvent(event);
}

void CPPDLGOptionsMyInfo::OnCbnSelchangePhoneLabel()
{
    UpdateData(true);
}

void CPPDLGOptionsMyInfo::OnOK()
{
    UpdateData(true);
}

void CPPDLGOptionsMyInfo::SaveProfileTo(CAppSettings& settings) const
{
    settings.FullName = m_strFullName;
    settings.Credentials = m_strCredentials;
    settings.CompanyName = m_strCompanyName;
    settings.Address = m_strAddress;
    settings.CityStateZipCode = m_strCityStateZip;
    settings.PhoneLabel01 = m_nPhoneLabel01;
    settings.Phone01 = m_strPhone01;
    settings.PhoneLabel02 = m_nPhoneLabel02;
    settings.Phone02 = m_strPhone02;
    settings.EmailAddress = m_strEmailAddress;
    settings.Website = m_strWebsite;
    settings.Disclaimer = m_strDisclaimer;
    settings.BrokerageName = m_strBrokerageName;
    settings.BrokeragePhone = m_strBrokeragePhone;
    settings.LicenceNumber = m_strLicenceNumber;
    settings.CheckAdRules = m_nCheckAdRules;
}

QString CPPDLGOptionsMyInfo::ChooseImageFile(const QString& title, const QString& startFolder)
{
    QFileDialog chooser(this, title, startFolder, m_strFileFilter);
    chooser.setObjectName(QStringLiteral("imageChooser"));
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setDefaultSuffix(QStringLiteral("jpg"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return QString();
    return chooser.selectedFiles().constFirst();
}

void CPPDLGOptionsMyInfo::OnBnClickedChooseMyPicture()
{
    const QString path = ChooseImageFile(QStringLiteral("Choose My Picture"), m_settings.LastMyPicturePath);
    if (!path.isEmpty())
        AcceptMyPicture(path);
}

void CPPDLGOptionsMyInfo::OnBnClickedChooseLogo()
{
    const QString path = ChooseImageFile(QStringLiteral("Choose Business Logo"), m_settings.LastMyLogoPath);
    if (!path.isEmpty())
        AcceptLogo(path);
}

bool CPPDLGOptionsMyInfo::AcceptMyPicture(const QString& path)
{
    const ImageInfo info = GetImageInfo(path);
    QString refusal = CheckPictureFile(path, QFileInfo(path).fileName());
    if (refusal.isEmpty())
        refusal = CheckMyPicture(path, info.ok, info.width, info.height, info.orientation);
    if (!refusal.isEmpty()) {
        ShowInfoMessage(refusal);
        return false;
    }
    m_settings.LastMyPicturePath = QFileInfo(path).absolutePath();
    m_settings._SaveSettings();
    return StoreImage(path, QString::fromLatin1(kMyPictureFileName), kMyPictureBox, m_pPicture);
}

bool CPPDLGOptionsMyInfo::AcceptLogo(const QString& path)
{
    const ImageInfo info = GetImageInfo(path);
    QString refusal = CheckPictureFile(path, QFileInfo(path).fileName());
    if (refusal.isEmpty())
        refusal = CheckBusinessLogo(path, info.ok, info.width, info.height);
    if (!refusal.isEmpty()) {
        ShowInfoMessage(refusal);
        return false;
    }
    m_settings.LastMyLogoPath = QFileInfo(path).absolutePath();
    m_settings._SaveSettings();
    return StoreImage(path, QString::fromLatin1(kLogoFileName), kLogoBox, m_pLogo);
}

bool CPPDLGOptionsMyInfo::StoreImage(const QString& source, const QString& fileName, int box, CXPictureST* preview)
{
    // The previous file stays until a complete new one replaces it, so a picture that fails to convert
    // costs the agent nothing.
    QString error;
    QString stored = QDir(m_settings.strSavePath).filePath(fileName);
    const ProfilePicture which = box == kMyPictureBox ? ProfilePicture::Picture : ProfilePicture::Logo;
    // The screen copy and the full-size original for print are written together.
    if (!StoreProfilePicture(source, m_settings.strSavePath, which, box, &stored, &error)) {
        QString message = tr("The picture \"%1\" could not be stored as \"%2\".\n\n%3")
                              .arg(QDir::toNativeSeparators(source), fileName, error);
        if (QFileInfo(stored).isFile())
            message += tr("\n\nThe previous picture is kept.");
        TemplateMessageBox(this, message, AppInfo::DisplayName(),
                           quint32(MsgBox::IconExclamation) | quint32(MsgBox::OK));
        return false;
    }
    preview->SetFile(stored);
    preview->SetMode(CXPictureST::ModeFile);
    Q_EMIT ProfileChanged();
    return true;
}
