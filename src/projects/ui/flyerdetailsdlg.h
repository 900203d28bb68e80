#pragma once

#include "compose/printphotos.h"

#include <QDialog>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class CAppSettings;
class CXGroupLineST;
class CXPictureST;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
enum class DetailsField;

// The listing data of one flyer project: texts, four feature lines and up to four photos. The
// caller sets the members, runs the dialog, and after Accepted reads them back; the dialog writes
// no files. It ends with Accepted only through Save, after every check has passed, and then the
// description holds "<br>" for its line breaks.
class CDLGFlyerDetails : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDLGFlyerDetails)

public:
    static constexpr int kPhotoSlots = 4;

    CDLGFlyerDetails(QWidget* parent, CAppSettings& settings);
    ~CDLGFlyerDetails() override;

    // Set by the caller before the dialog is shown, read back after Accepted.
    int m_bNewMode = 0;
    std::array<QString, kPhotoSlots> m_strPhotoPaths; // index 0 is the main photo
    QString m_strStartFolder;                         // where the photo chooser opens
    QString m_strCaption = QStringLiteral("New Listing");
    QString m_strMLS = QStringLiteral("MLS# ");
    QString m_strPrice = QStringLiteral("Offered at $000,000");
    QString m_strAddress = QStringLiteral("Street Address");
    QString m_strCityStateZip = QStringLiteral("City|State|Zip code");
    QString m_strDescription = DefaultDescription();
    std::array<QString, kPhotoSlots> m_strFeatures = {QStringLiteral("# of Bedrooms"), QStringLiteral("# of Baths"),
                                                      QStringLiteral("Square Feet"), QStringLiteral("Year Built")};
    QString m_strListingUrl; // optional; empty or an http/https address after Save
    // The part of each photo the flyer shows, in the photo's pixels; none is the whole photo.
    std::array<std::optional<QRect>, kPhotoSlots> m_crops;

    // Where the flyer's theme draws each photo, set by the caller when known: a photo that would
    // print under 150 ppi there gets a note under its preview.
    std::array<std::optional<CXPictureBox>, kPhotoSlots> m_printBoxes;

    static QString DefaultDescription();
    // Qt filter text of the photo chooser.
    static QString PhotoFileFilter();

    // Choose (file chooser) or clear (filled slot) the photo of slot 0-3.
    void OnBnClickedBtnPhoto(int slot);
    void OnBnClickedBtnSave();
    void OnBnClickedBtnHelp();
    // Lets the user pick the part of the slot's photo that the flyer shows.
    void OnBnClickedBtnCrop(int slot);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void OnInitDialog();
    void UpdatePhotoButtons();
    void UpdatePrintNotes();
    bool AcceptPhoto(int slot, const QString& path);
    QWidget* FieldWidget(DetailsField field) const;

    CAppSettings& m_settings;
    bool m_bInitialised = false;

    QLineEdit* m_pCaption = nullptr;
    QLineEdit* m_pMLS = nullptr;
    QLineEdit* m_pPrice = nullptr;
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pCityStateZip = nullptr;
    QPlainTextEdit* m_pDescription = nullptr;
    QLineEdit* m_pListingUrl = nullptr;
    std::array<QPushButton*, kPhotoSlots> m_pCropButtons{};
    std::array<QLineEdit*, kPhotoSlots> m_pFeatures{};
    std::array<CXPictureST*, kPhotoSlots> m_pPreviews{};
    std::array<QPushButton*, kPhotoSlots> m_pPhotoButtons{};
    std::array<QLabel*, kPhotoSlots> m_pPrintNotes{};
    CXGroupLineST* m_pSeparator = nullptr;
};
