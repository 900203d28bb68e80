#pragma once

#include "flyer/listingextras.h"

#include "compose/printphotos.h"
#include "flyer/flyerdata.h"

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class CAppSettings;
class CListingExtras;
class CXCanvas;
class CXGroupLineST;
class CXPictureST;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
enum class DetailsField;

// The dialog's controls by number; each is named "id" + its number ("id1322"). The four features,
// choose buttons and previews run on from their first.
enum class FlyerDetailsId : int
{
    Help = 1012,
    Save = 1022,
    Cancel = 1257,
    Address = 1312,
    CityStateZip = 1313,
    Caption = 1322,
    MLSNumber = 1323,
    Price = 1324,
    Description = 1327,
    Feature1 = 1328,
    Feature2 = 1329,
    Feature3 = 1330,
    Feature4 = 1331,
    ChoosePhoto1 = 1332,
    ChoosePhoto2 = 1333,
    ChoosePhoto3 = 1334,
    ChoosePhoto4 = 1335,
    Photo1 = 1339,
    Photo2 = 1340,
    Photo3 = 1341,
    Photo4 = 1342,
    Separator = 1344,
};

// The control of slot `slot` (0 to 3) in a run of four that starts at `first`.
constexpr FlyerDetailsId SlotId(FlyerDetailsId first, int slot)
{
    return FlyerDetailsId(int(first) + slot);
}

// The listing data of one flyer project: texts, four feature lines and up to four photos. The
// caller sets the members, runs the dialog, and after Accepted reads them back; the dialog writes
// no files. It ends with Accepted only through Save, after every check has passed, and then the
// description holds "<br>" for its line breaks.
class QComboBox;
class QDateEdit;
class QTimeEdit;

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
    ListingStatus m_status = ListingStatus::None;
    // Kept when another status is chosen, so that going back to Open House finds it again.
    std::optional<COpenHouse> m_openHouse;
    // The part of each photo the flyer shows, in the photo's pixels; none is the whole photo.
    std::array<std::optional<QRect>, kPhotoSlots> m_crops;

    // Where the flyer's theme draws each photo, set by the caller when known: a photo that would
    // print under 150 ppi there gets a note under its preview.
    std::array<std::optional<CXPictureBox>, kPhotoSlots> m_printBoxes;
    // The agent's picture and logo where they would print under 150 ppi, shown with the fit notes.
    QStringList m_profilePrintNotes;

    // The one way the listing moves between a project and the dialog: LoadFromRecord before an edit
    // opens, SaveToRecord after Accepted (texts, photos, photo folder, web address and crops).
    void LoadFromRecord(const CFlyerData& record, const CListingExtras& extras);
    void SaveToRecord(CFlyerData& record, CListingExtras& extras) const;

    // The listing as the controls show it at this moment, over the record the dialog was loaded with,
    // for the live flyer; DraftChanged says when it changed. Cheap enough to call per keystroke.
    CFlyerData DraftRecord() const;
    const CFlyerData& BaseRecord() const { return m_baseRecord; }
    QString DraftListingUrl() const;
    // The web address, status and open house as the controls show them, for the live flyer.
    CListingExtras DraftExtras() const;

    // The dialog's own preview of the flyer, for screens where the dialog cannot stand beside the
    // main window's canvas: a pane that widens the dialog to its right.
    void SetPreviewImage(const QImage& image);
    // What the flyer drawn from the dialog's values had to cut, a line each; empty hides the note.
    void SetFitNotes(const QStringList& notes);
    void ShowPreviewPane(bool show);
    bool IsPreviewPaneShown() const { return m_bPreviewPane; }

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
    // Cancel and Escape: asks before typed or chosen changes are thrown away.
    void reject() override;
    // Whether the controls differ from what the dialog opened with.
    bool HasChanges() const;

Q_SIGNALS:
    void DraftChanged();
    // A file was picked for slot 0-3 and is about to be checked: the live flyer may start on it.
    void PhotoChosen(int slot, const QString& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void OnInitDialog();
    void UpdatePhotoButtons();
    void UpdatePrintNotes();
    bool AcceptPhoto(int slot, const QString& path);
    QWidget* FieldWidget(DetailsField field) const;
    void EmitDraftChanged();
    void UpdateFeatureCount();
    void UpdateOpenHouseControls();
    std::optional<COpenHouse> OpenHouseFromControls() const;

    CAppSettings& m_settings;
    bool m_bInitialised = false;
    bool m_bPreviewPane = false;
    CFlyerData m_baseRecord; // what the draft is laid over: the project being edited, or a new one
    QSize m_classicSize;

    QLineEdit* m_pCaption = nullptr;
    QLineEdit* m_pMLS = nullptr;
    QLineEdit* m_pPrice = nullptr;
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pCityStateZip = nullptr;
    QPlainTextEdit* m_pDescription = nullptr;
    QLineEdit* m_pListingUrl = nullptr;
    QComboBox* m_pStatus = nullptr;
    QDateEdit* m_pOpenDate = nullptr;
    QTimeEdit* m_pOpenStart = nullptr;
    QTimeEdit* m_pOpenEnd = nullptr;
    std::array<QPushButton*, kPhotoSlots> m_pCropButtons{};
    std::array<QLineEdit*, kPhotoSlots> m_pFeatures{};
    std::array<CXPictureST*, kPhotoSlots> m_pPreviews{};
    std::array<QPushButton*, kPhotoSlots> m_pPhotoButtons{};
    std::array<QLabel*, kPhotoSlots> m_pPrintNotes{};
    CXGroupLineST* m_pSeparator = nullptr;
    QLabel* m_pFeatureCount = nullptr;
    QLabel* m_pFitNote = nullptr;
    QPushButton* m_pPreviewButton = nullptr;
    CXCanvas* m_pPreview = nullptr;
    QMetaObject::Connection m_focusConnection;
    // What the controls showed once the dialog was filled.
    CFlyerData m_openedDraft;
    QString m_strOpenedUrl;
    CListingExtras m_openedExtras;
    std::array<std::optional<QRect>, kPhotoSlots> m_openedCrops;
};
