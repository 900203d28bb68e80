#pragma once

#include <QString>
#include <QWidget>

class CAppSettings;
class CXPhoneLabelCB;
class CXPictureST;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The page's controls by number; each is named "id" + its number ("id1309").
enum class OptionsMyInfoId : int
{
    ChooseMyPicture = 1307,
    ChooseLogo = 1308,
    FullName = 1309,
    Credentials = 1310,
    CompanyName = 1311,
    Address = 1312,
    CityStateZip = 1313,
    PhoneLabel01 = 1314,
    Phone01 = 1315,
    PhoneLabel02 = 1316,
    Phone02 = 1317,
    EmailAddress = 1318,
    Website = 1319,
    Picture = 1320,
    Logo = 1321,
    Disclaimer = 1350,
};

// The agent's profile: name, credentials, company, address, two phones with labels, e-mail, web site,
// disclaimer, and the portrait and business logo. The texts reach the settings only through
// SaveProfileTo after the sheet was confirmed; a chosen picture or logo is converted and stored at once.
class CPPDLGOptionsMyInfo : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPPDLGOptionsMyInfo)

public:
    explicit CPPDLGOptionsMyInfo(CAppSettings& settings, QWidget* parent = nullptr);
    ~CPPDLGOptionsMyInfo() override;

    // 1 once the page has been shown; until then the caller leaves the profile settings alone.
    int m_bVisited = 0;
    QString m_strFileFilter;
    QString m_strFullName;
    QString m_strCredentials;
    QString m_strCompanyName;
    QString m_strAddress;
    QString m_strCityStateZip;
    int m_nPhoneLabel01 = 0;
    QString m_strPhone01;
    int m_nPhoneLabel02 = 0;
    QString m_strPhone02;
    QString m_strEmailAddress;
    QString m_strWebsite;
    QString m_strDisclaimer;
    QString m_strBrokerageName;
    QString m_strBrokeragePhone;
    QString m_strLicenceNumber;
    int m_nCheckAdRules = -1; // -1 until the agent ticks or clears the box: on once a brokerage is named

    // Reads the controls into the members; run by the sheet's Save.
    void OnOK();
    // Copies the profile texts and phone labels into the settings (the caller saves them).
    void SaveProfileTo(CAppSettings& settings) const;
    // The profile as the controls show it at this moment, for the live flyer (ProfileChanged says
    // when it changed); the members and the settings store stay as they are.
    void CurrentProfileTo(CAppSettings& settings) const;

    void OnBnClickedChooseMyPicture();
    void OnBnClickedChooseLogo();
    void OnCbnSelchangePhoneLabel();

    // The checks, storage and preview update of a chosen file, without the file chooser. False when the
    // file was refused or could not be stored; the user has been told why.
    bool AcceptMyPicture(const QString& path);
    bool AcceptLogo(const QString& path);

    // The page has a fixed size; the sheet sizes its tabs from it.
    QSize sizeHint() const override { return minimumSize(); }

    QString MyPicturePath() const;
    QString LogoPath() const;

Q_SIGNALS:
    // A text or phone label was edited, or a new picture or logo was stored.
    void ProfileChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void OnInitDialog();
    void UpdateData(bool saveAndValidate);
    QString ChooseImageFile(const QString& title, const QString& startFolder);
    bool StoreImage(const QString& source, const QString& fileName, int box, CXPictureST* preview);

    CAppSettings& m_settings;

    QLineEdit* m_pFullName = nullptr;
    QLineEdit* m_pCredentials = nullptr;
    QLineEdit* m_pCompanyName = nullptr;
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pCityStateZip = nullptr;
    CXPhoneLabelCB* m_pPhoneLabel01 = nullptr;
    QLineEdit* m_pPhone01 = nullptr;
    CXPhoneLabelCB* m_pPhoneLabel02 = nullptr;
    QLineEdit* m_pPhone02 = nullptr;
    QLineEdit* m_pEmailAddress = nullptr;
    QLineEdit* m_pWebsite = nullptr;
    QPlainTextEdit* m_pDisclaimer = nullptr;
    QLineEdit* m_pBrokerageName = nullptr;
    QLineEdit* m_pBrokeragePhone = nullptr;
    QLineEdit* m_pLicenceNumber = nullptr;
    QCheckBox* m_pCheckAdRules = nullptr;
    CXPictureST* m_pPicture = nullptr;
    CXPictureST* m_pLogo = nullptr;
};
