#include "projects/ui/flyerdetailsdlg.h"
#include "controls/confirm.h"

#include "compose/templatemerge.h"
#include "compose/ui/canvas.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/grouplinest.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/picturest.h"
#include "imaging/imagelibrary.h"
#include "imaging/photocrop.h"
#include "flyer/pagesize.h"
#include "flyer/detailschecks.h"
#include "flyer/listingextras.h"
#include "controls/ui/dialogunits.h"
#include "projects/ui/photocropdlg.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"
#include "web/helptopic.h"
#include "web/ui/helpviewer.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The edits take at most kMaxFeatureLength characters, but a longer line that came from the project
// file is kept whole rather than cut off unseen: the limit stays at its length until it is shortened.
void LimitFeatureLength(QLineEdit* edit, int currentLength)
{
    edit->setMaxLength(qMax(kMaxFeatureLength, currentLength));
}

const char* const kEmptyCaptions[CDLGFlyerDetails::kPhotoSlots] = {"Main Photo", "Photo #2", "Photo #3", "Photo #4"};

// Handed a folder that does not exist, the file dialog would offer its last part ("Pictures") as
// the file name: the chooser opens in the nearest folder that does exist.
QString ExistingFolder(const QString& folder)
{
    QString at = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
    while (!at.isEmpty() && !QFileInfo(at).isDir()) {
        const QString parent = QFileInfo(at).absolutePath();
        at = parent == at ? QString() : parent;
    }
    return at.isEmpty() ? QDir::homePath() : at;
}

constexpr int kFlyerWidth = kLetterPage.width(); // the preview pane's shape; a page of another shape is fitted in
constexpr int kFlyerHeight = kLetterPage.height();

} // namespace

CDLGFlyerDetails::CDLGFlyerDetails(QWidget* parent, CAppSettings& settings) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("CDLGFlyerDetails"));
    m_baseRecord.Reset();
    BuildControls();
}

CDLGFlyerDetails::~CDLGFlyerDetails()
{
    // The application outlives the dialog: a focus change while the base class deletes the edits
    // would otherwise reach UpdateFeatureCount with the edits half gone.
    disconnect(m_focusConnection);
}

void CDLGFlyerDetails::LoadFromRecord(const CFlyerData& record, const CListingExtras& extras)
{
    m_baseRecord = record;
    m_strCaption = record.m_strCaption;
    m_strMLS = record.m_strMLS;
    m_strPrice = record.m_strPrice;
    m_strAddress = record.m_strAddress;
    m_strCityStateZip = record.m_strCityStateZip;
    m_strDescription = BrToCrLf(record.m_strDescription);
    for (int i = 0; i < kPhotoSlots; ++i) {
        m_strPhotoPaths[i] = record.m_photos[i].m_strPath;
        m_strFeatures[i] = record.m_strFeatures[i];
    }
    m_strStartFolder = record.m_strPhotoFolder;
    m_strListingUrl = extras.m_strListingUrl;
    m_crops = extras.m_crops;
    m_status = extras.m_status;
    m_openHouse = extras.m_openHouse;
}

void CDLGFlyerDetails::SaveToRecord(CFlyerData& record, CListingExtras& extras) const
{
    record.m_strCaption = m_strCaption;
    record.m_strMLS = m_strMLS;
    record.m_strPrice = m_strPrice;
    record.m_strAddress = m_strAddress;
    record.m_strCityStateZip = m_strCityStateZip;
    record.m_strDescription = CrLfToBr(m_strDescription);
    for (int i = 0; i < kPhotoSlots; ++i) {
        record.m_photos[i].m_strPath = m_strPhotoPaths[i];
        record.m_strFeatures[i] = m_strFeatures[i];
    }
    record.m_strPhotoFolder = m_strStartFolder;
    extras.m_strListingUrl = m_strListingUrl;
    extras.m_crops = m_crops;
    extras.m_status = m_status;
    extras.m_openHouse = m_openHouse;
}

CListingExtras CDLGFlyerDetails::DraftExtras() const
{
    CListingExtras extras;
    extras.m_strListingUrl = DraftListingUrl();
    extras.m_crops = m_crops;
    extras.m_status = StatusFromKey(m_pStatus->currentData().toString()).value_or(ListingStatus::None);
    extras.m_openHouse = extras.m_status == ListingStatus::OpenHouse ? OpenHouseFromControls() : m_openHouse;
    return extras;
}

std::optional<COpenHouse> CDLGFlyerDetails::OpenHouseFromControls() const
{
    const COpenHouse openHouse{m_pOpenDate->date(), m_pOpenStart->time(), m_pOpenEnd->time()};
    if (!openHouse.date.isValid() || openHouse.end <= openHouse.start)
        return std::nullopt;
    return openHouse;
}

void CDLGFlyerDetails::UpdateOpenHouseControls()
{
    const bool openHouse = m_pStatus->currentData().toString() == StatusKey(ListingStatus::OpenHouse);
    for (QWidget* control : std::initializer_list<QWidget*>{m_pOpenDate, m_pOpenStart, m_pOpenEnd})
        control->setEnabled(openHouse);
}

CFlyerData CDLGFlyerDetails::DraftRecord() const
{
    CFlyerData draft = m_baseRecord;
    draft.m_strCaption = m_pCaption->text();
    draft.m_strMLS = m_pMLS->text();
    draft.m_strPrice = m_pPrice->text();
    draft.m_strAddress = m_pAddress->text();
    draft.m_strCityStateZip = m_pCityStateZip->text();
    draft.m_strDescription = DescriptionFromEdit(m_pDescription->toPlainText());
    for (int i = 0; i < kPhotoSlots; ++i) {
        draft.m_strFeatures[i] = m_pFeatures[i]->text();
        draft.m_photos[i].m_strPath = m_pPreviews[i]->HasPicture() ? m_strPhotoPaths[i] : QString();
    }
    draft.m_strPhotoFolder = m_strStartFolder;
    return draft;
}

QString CDLGFlyerDetails::DraftListingUrl() const
{
    // Until it is a complete address the flyer keeps the one it had.
    return CheckListingUrl(m_pListingUrl->text()).value_or(m_strListingUrl);
}

void CDLGFlyerDetails::EmitDraftChanged()
{
    // Filling the controls on opening is no edit.
    if (m_bInitialised)
        Q_EMIT DraftChanged();
}

void CDLGFlyerDetails::UpdateFeatureCount()
{
    QLineEdit* edit = nullptr;
    for (QLineEdit* feature : m_pFeatures)
        if (feature->hasFocus())
            edit = feature;
    if (!edit) {
        m_pFeatureCount->hide();
        return;
    }
    const qsizetype length = edit->text().size();
    m_pFeatureCount->setText(FeatureCountText(edit->text()));
    QPalette palette = m_pFeatureCount->palette();
    palette.setColor(QPalette::WindowText,
                     length >= kMaxFeatureLength ? QColor(0xA0, 0x30, 0x10) : QColor(0x60, 0x60, 0x60));
    m_pFeatureCount->setPalette(palette);
    const QRect at = edit->geometry();
    const QSize size = m_pFeatureCount->sizeHint();
    m_pFeatureCount->setGeometry(at.right() - size.width() + 1, at.top() - size.height(), size.width(), size.height());
    m_pFeatureCount->show();
    m_pFeatureCount->raise();
}

void CDLGFlyerDetails::SetPreviewImage(const QImage& image)
{
    m_pPreview->ShowPage(image);
}

void CDLGFlyerDetails::ShowPreviewPane(bool show)
{
    m_bPreviewPane = show;
    const int paneHeight = m_classicSize.height();
    const int paneWidth = paneHeight * kFlyerWidth / kFlyerHeight;
    m_pPreview->setGeometry(m_classicSize.width(), 0, paneWidth, paneHeight);
    m_pPreview->setVisible(show);
    m_pPreviewButton->setText(show ? QStringLiteral("<< &Preview") : QStringLiteral("&Preview >>"));
    setFixedSize(show ? QSize(m_classicSize.width() + paneWidth, paneHeight) : m_classicSize);
}

QString CDLGFlyerDetails::DefaultDescription()
{
    return QStringLiteral("Enter text here describing the home, location, and amenities.<br><br>Include information "
                          "such as the number of bedrooms and bathrooms, recent updates to the home, view, or a "
                          "description of the neighborhood.<br><br>This text should be limited to two or three short "
                          "paragraphs.");
}

QString CDLGFlyerDetails::PhotoFileFilter()
{
    return QStringLiteral("All Image Files (*.jpg *.png *.bmp);;JPEG Files (*.jpg);;PNG Files (*.png);;"
                          "Bitmap Files (*.bmp)");
}

void CDLGFlyerDetails::BuildControls()
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const DialogUnits du(font());
    // Taller than the classic dialog by a line under the photos for their print notes and by the row
    // of the listing web address.
    m_classicSize = du.Size(449, 342);
    setFixedSize(m_classicSize);

    const auto makeGroup = [this, &du](const QString& title, QRect rect) {
        auto* group = new QGroupBox(title, this);
        group->setGeometry(du.Rect(rect.x(), rect.y(), rect.width(), rect.height()));
        return group;
    };
    const auto makeLabel = [this, &du](const QString& text, QRect rect, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setGeometry(du.Rect(rect.x(), rect.y(), rect.width(), rect.height()));
        label->setBuddy(buddy);
        return label;
    };
    using Id = FlyerDetailsId;
    const auto makeEdit = [this, &du](Id id, QRect rect) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("id%1").arg(int(id)));
        edit->setGeometry(du.Rect(rect.x(), rect.y(), rect.width(), rect.height()));
        return edit;
    };

    // Group boxes first, so the controls they frame are drawn over them.
    makeGroup(QStringLiteral("Details"), QRect(7, 4, 216, 118));
    makeGroup(QStringLiteral("Description"), QRect(229, 4, 213, 118));
    makeGroup(QStringLiteral("Listing Features"), QRect(7, 124, 435, 34));

    const struct
    {
        const char* label;
        Id id;
        QLineEdit** edit;
    } details[] = {
        {"Listing Caption:", Id::Caption, &m_pCaption},
        {"MLS Number:", Id::MLSNumber, &m_pMLS},
        {"Listing Price:", Id::Price, &m_pPrice},
        {"Listing Address:", Id::Address, &m_pAddress},
        {"City, State, Zip:", Id::CityStateZip, &m_pCityStateZip},
    };
    int y = 18;
    for (const auto& row : details) {
        *row.edit = makeEdit(row.id, QRect(78, y, 138, 13));
        makeLabel(QString::fromLatin1(row.label), QRect(14, y + 2, 62, 9), *row.edit);
        y += 20;
    }

    m_pDescription = new QPlainTextEdit(this);
    m_pDescription->setObjectName(QStringLiteral("id%1").arg(int(Id::Description)));
    m_pDescription->setGeometry(du.Rect(236, 17, 199, 98));
    m_pDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pDescription->setTabChangesFocus(true);

    for (int i = 0; i < kPhotoSlots; ++i) {
        QLineEdit* edit = makeEdit(SlotId(Id::Feature1, i), QRect(30 + i * 107, 140, 84, 13));
        m_pFeatures[i] = edit;
        LimitFeatureLength(edit, 0);
        connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
            LimitFeatureLength(edit, int(text.size()));
            UpdateFeatureCount();
        });
        makeLabel(QStringLiteral("#%1:").arg(i + 1), QRect(14 + i * 107, 142, 15, 9), m_pFeatures[i]);
    }

    for (int i = 0; i < kPhotoSlots; ++i) {
        m_pPreviews[i] = new CXPictureST(this);
        m_pPreviews[i]->setObjectName(QStringLiteral("id%1").arg(int(SlotId(Id::Photo1, i))));
        m_pPreviews[i]->setGeometry(du.Rect(7 + i * 110, 161, 105, 71));
        m_pPreviews[i]->SetMargin(6);
        m_pPreviews[i]->SetShadow(true, 2);

        m_pPhotoButtons[i] = new QPushButton(this);
        m_pPhotoButtons[i]->setObjectName(QStringLiteral("id%1").arg(int(SlotId(Id::ChoosePhoto1, i))));
        m_pPhotoButtons[i]->setGeometry(du.Rect(7 + i * 110, 235, 72, 14));
        connect(m_pPhotoButtons[i], &QPushButton::clicked, this, [this, i] { OnBnClickedBtnPhoto(i); });

        m_pPrintNotes[i] = new QLabel(this);
        m_pPrintNotes[i]->setObjectName(QStringLiteral("idPrintNote%1").arg(i + 1));
        m_pPrintNotes[i]->setGeometry(du.Rect(7 + i * 110, 251, 105, 18));
        m_pPrintNotes[i]->setWordWrap(true);
        m_pPrintNotes[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QFont small = m_pPrintNotes[i]->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        m_pPrintNotes[i]->setFont(small);
        QPalette warn = m_pPrintNotes[i]->palette();
        warn.setColor(QPalette::WindowText, QColor(0xA0, 0x30, 0x10));
        m_pPrintNotes[i]->setPalette(warn);
        m_pPrintNotes[i]->hide();
        m_pCropButtons[i] = new QPushButton(QStringLiteral("Crop..."), this);
        m_pCropButtons[i]->setObjectName(QStringLiteral("IDC_BTN_CROP%1").arg(i + 1));
        m_pCropButtons[i]->setGeometry(du.Rect(81 + i * 110, 235, 31, 14));
        connect(m_pCropButtons[i], &QPushButton::clicked, this, [this, i] { OnBnClickedBtnCrop(i); });
    }

    m_pFeatureCount = new QLabel(this);
    m_pFeatureCount->setObjectName(QStringLiteral("IDC_ST_FEATURECOUNT"));
    QFont small = m_pFeatureCount->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_pFeatureCount->setFont(small);
    m_pFeatureCount->hide();
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, [this] { UpdateFeatureCount(); });

    m_pListingUrl = makeEdit(Id(0), QRect(86, 272, 356, 13));
    m_pListingUrl->setObjectName(QStringLiteral("IDC_EDIT_LISTINGURL"));
    m_pListingUrl->setPlaceholderText(QStringLiteral("https://... (optional; shown as a QR code on the flyer)"));
    makeLabel(QStringLiteral("Listing web address:"), QRect(7, 274, 78, 9), m_pListingUrl);

    m_pSeparator = new CXGroupLineST(this);
    m_pSeparator->setObjectName(QStringLiteral("id%1").arg(int(Id::Separator)));
    m_pStatus = new QComboBox(this);
    m_pStatus->setObjectName(QStringLiteral("IDC_COMBO_STATUS"));
    m_pStatus->setGeometry(du.Rect(86, 289, 84, 13));
    for (int i = 0; i < kListingStatusCount; ++i) {
        const auto status = ListingStatus(i);
        m_pStatus->addItem(status == ListingStatus::None ? QStringLiteral("(none)") : StatusLabel(status),
                           StatusKey(status));
    }
    makeLabel(QStringLiteral("Listing status:"), QRect(7, 291, 78, 9), m_pStatus);
    m_pOpenDate = new QDateEdit(this);
    m_pOpenDate->setObjectName(QStringLiteral("IDC_DATE_OPENHOUSE"));
    m_pOpenDate->setCalendarPopup(true);
    m_pOpenDate->setDisplayFormat(QStringLiteral("ddd MMM d, yyyy"));
    m_pOpenDate->setGeometry(du.Rect(220, 289, 86, 13));
    makeLabel(QStringLiteral("Open house:"), QRect(176, 291, 43, 9), m_pOpenDate);
    m_pOpenStart = new QTimeEdit(this);
    m_pOpenStart->setObjectName(QStringLiteral("IDC_TIME_OPENSTART"));
    m_pOpenStart->setDisplayFormat(QStringLiteral("h:mm AP"));
    m_pOpenStart->setGeometry(du.Rect(310, 289, 56, 13));
    m_pOpenEnd = new QTimeEdit(this);
    m_pOpenEnd->setObjectName(QStringLiteral("IDC_TIME_OPENEND"));
    m_pOpenEnd->setDisplayFormat(QStringLiteral("h:mm AP"));
    m_pOpenEnd->setGeometry(du.Rect(386, 289, 56, 13));
    makeLabel(QStringLiteral("to"), QRect(370, 291, 14, 9), m_pOpenEnd);
    connect(m_pStatus, &QComboBox::currentIndexChanged, this, [this] {
        UpdateOpenHouseControls();
        EmitDraftChanged();
    });
    connect(m_pOpenDate, &QDateEdit::dateChanged, this, &CDLGFlyerDetails::EmitDraftChanged);
    connect(m_pOpenStart, &QTimeEdit::timeChanged, this, &CDLGFlyerDetails::EmitDraftChanged);
    connect(m_pOpenEnd, &QTimeEdit::timeChanged, this, &CDLGFlyerDetails::EmitDraftChanged);

    m_pSeparator->setGeometry(du.Rect(7, 306, 435, 8));
    m_pSeparator->SetBackgroundColor(Qt::white);

    const struct
    {
        const char* text;
        Id id;
        int x;
        void (CDLGFlyerDetails::*handler)();
    } buttons[] = {
        {"&Save", Id::Save, 286, &CDLGFlyerDetails::OnBnClickedBtnSave},
        {"&Cancel", Id::Cancel, 339, &CDLGFlyerDetails::reject},
        {"&Help", Id::Help, 392, &CDLGFlyerDetails::OnBnClickedBtnHelp},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(QStringLiteral("id%1").arg(int(b.id)));
        button->setGeometry(du.Rect(b.x, 320, 50, 14));
        connect(button, &QPushButton::clicked, this, b.handler);
    }

    m_pPreviewButton = new QPushButton(QStringLiteral("&Preview >>"), this);
    m_pPreviewButton->setObjectName(QStringLiteral("IDC_BTN_PREVIEW"));
    m_pPreviewButton->setGeometry(du.Rect(7, 320, 50, 14));
    // Text the flyer cuts is named as the agent types, beside the buttons that would save it.
    m_pFitNote = new QLabel(this);
    m_pFitNote->setObjectName(QStringLiteral("idFitNote"));
    m_pFitNote->setGeometry(du.Rect(62, 315, 220, 24));
    m_pFitNote->setWordWrap(true);
    m_pFitNote->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    {
        QFont small = m_pFitNote->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        m_pFitNote->setFont(small);
        QPalette warn = m_pFitNote->palette();
        warn.setColor(QPalette::WindowText, QColor(0xA0, 0x30, 0x10));
        m_pFitNote->setPalette(warn);
    }
    m_pFitNote->hide();
    connect(m_pPreviewButton, &QPushButton::clicked, this, [this] { ShowPreviewPane(!m_bPreviewPane); });
    m_pPreview = new CXCanvas(this);
    m_pPreview->setObjectName(QStringLiteral("IDC_ST_PREVIEW"));
    m_pPreview->SetPageSize(kFlyerWidth, kFlyerHeight);
    m_pPreview->SetMargin(8);
    m_pPreview->SetShadow(true, 3);
    m_pPreview->hide();

    for (QLineEdit* edit : {m_pCaption, m_pMLS, m_pPrice, m_pAddress, m_pCityStateZip, m_pListingUrl})
        connect(edit, &QLineEdit::textChanged, this, &CDLGFlyerDetails::EmitDraftChanged);
    for (QLineEdit* edit : m_pFeatures)
        connect(edit, &QLineEdit::textChanged, this, &CDLGFlyerDetails::EmitDraftChanged);
    connect(m_pDescription, &QPlainTextEdit::textChanged, this, &CDLGFlyerDetails::EmitDraftChanged);

    // No default button: Enter in a line edit must not end the dialog around the Save checks.
    const QList<QPushButton*> all = findChildren<QPushButton*>();
    for (QPushButton* button : all) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void CDLGFlyerDetails::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) {
        OnInitDialog();
        m_bInitialised = true;
    }
    QDialog::showEvent(event);
}

void CDLGFlyerDetails::OnInitDialog()
{
    for (int i = 0; i < kPhotoSlots; ++i) {
        CXPictureST* preview = m_pPreviews[i];
        preview->SetText(QString::fromLatin1(kEmptyCaptions[i]));
        preview->ClearFile();
        if (!m_bNewMode && !m_strPhotoPaths[i].isEmpty() && QFileInfo(m_strPhotoPaths[i]).isFile()) {
            preview->SetFile(m_strPhotoPaths[i]);
            preview->SetMode(CXPictureST::ModeFile);
        }
    }

    setWindowTitle((m_bNewMode ? QStringLiteral("New Flyer Project - ") : QStringLiteral("Edit Flyer Project - ")) +
                   AppInfo::DisplayName());

    m_pCaption->setText(m_strCaption);
    m_pMLS->setText(m_strMLS);
    m_pPrice->setText(m_strPrice);
    m_pAddress->setText(m_strAddress);
    m_pCityStateZip->setText(m_strCityStateZip);
    m_pDescription->setPlainText(DescriptionForEdit(m_strDescription));
    for (int i = 0; i < kPhotoSlots; ++i) {
        LimitFeatureLength(m_pFeatures[i], int(m_strFeatures[i].size()));
        m_pFeatures[i]->setText(m_strFeatures[i]);
    }
    m_pListingUrl->setText(m_strListingUrl);
    m_pStatus->setCurrentIndex(qMax(0, m_pStatus->findData(StatusKey(m_status))));
    // A new open house is most often next Sunday afternoon.
    const QDate today = QDate::currentDate();
    const COpenHouse shown =
        m_openHouse.value_or(COpenHouse{today.addDays(7 - today.dayOfWeek() % 7), QTime(13, 0), QTime(16, 0)});
    m_pOpenDate->setDate(shown.date);
    m_pOpenStart->setTime(shown.start);
    m_pOpenEnd->setTime(shown.end);
    UpdateOpenHouseControls();
    UpdatePhotoButtons();
    m_pCaption->setFocus();

    m_openedDraft = DraftRecord();
    m_strOpenedUrl = m_pListingUrl->text();
    m_openedExtras = DraftExtras();
    m_openedCrops = m_crops;
}

bool CDLGFlyerDetails::HasChanges() const
{
    if (!m_bInitialised)
        return false;
    const CFlyerData now = DraftRecord();
    const CFlyerData& was = m_openedDraft;
    if (now.m_strCaption != was.m_strCaption || now.m_strMLS != was.m_strMLS || now.m_strPrice != was.m_strPrice ||
        now.m_strAddress != was.m_strAddress || now.m_strCityStateZip != was.m_strCityStateZip ||
        now.m_strDescription != was.m_strDescription || now.m_strFeatures != was.m_strFeatures)
        return true;
    for (int i = 0; i < kPhotoSlots; ++i)
        if (now.m_photos[i].m_strPath != was.m_photos[i].m_strPath)
            return true;
    const CListingExtras extras = DraftExtras();
    return m_pListingUrl->text() != m_strOpenedUrl || m_crops != m_openedCrops ||
           extras.m_status != m_openedExtras.m_status || extras.m_openHouse != m_openedExtras.m_openHouse;
}

void CDLGFlyerDetails::reject()
{
    if (HasChanges() && !Confirm(m_settings, CAppSettings::ConfirmKind::SaveBeforeClosing,
                                 QStringLiteral("Discard the changes to this flyer?")))
        return;
    QDialog::reject();
}

void CDLGFlyerDetails::UpdatePhotoButtons()
{
    for (int i = 0; i < kPhotoSlots; ++i) {
        const QString what = i == 0 ? QStringLiteral("Main Photo") : QStringLiteral("Photo #%1").arg(i + 1);
        m_pPhotoButtons[i]->setText(
            (m_pPreviews[i]->HasPicture() ? QStringLiteral("Clear ") : QStringLiteral("Choose ")) + what);
    }
    UpdatePrintNotes();
}

void CDLGFlyerDetails::UpdatePrintNotes()
{
    for (int i = 0; i < kPhotoSlots; ++i) {
        QString note;
        const QString photo = m_pPreviews[i]->HasPicture() ? m_strPhotoPaths[i] : QString();
        // A project's photo (or its original) that was damaged after it was taken in is named as the
        // intake would name it, rather than shown as a grey box on the flyer.
        if (!photo.isEmpty()) {
            const QString original = OriginalOfPhoto(photo, i + 1);
            note = CheckPictureFile(photo, QFileInfo(photo).fileName());
            if (note.isEmpty() && original != photo)
                note = CheckPictureFile(original, QFileInfo(original).fileName());
        }
        if (note.isEmpty() && m_printBoxes[i] && !photo.isEmpty()) {
            const ImageInfo info = GetImageInfo(OriginalOfPhoto(photo, i + 1));
            if (info.width > 0 && info.height > 0) {
                const CXPreflightEntry entry = PreflightFor(i + 1, QSize(info.width, info.height), *m_printBoxes[i]);
                if (!entry.ok)
                    note = PreflightNote(entry);
            }
        }
        m_pPrintNotes[i]->setText(note);
        m_pPrintNotes[i]->setToolTip(note);
        m_pPrintNotes[i]->setVisible(!note.isEmpty());
    }
}

void CDLGFlyerDetails::OnBnClickedBtnPhoto(int slot)
{
    if (slot < 0 || slot >= kPhotoSlots)
        return;
    CXPictureST* preview = m_pPreviews[slot];
    if (preview->HasPicture()) {
        preview->ClearFile();
        m_strPhotoPaths[slot].clear();
        m_crops[slot].reset();
        UpdatePhotoButtons();
        EmitDraftChanged();
        return;
    }

    const QString title =
        slot == 0 ? QStringLiteral("Choose Main Photo") : QStringLiteral("Choose Photo #%1").arg(slot + 1);
    QFileDialog chooser(this, title, ExistingFolder(m_strStartFolder), PhotoFileFilter());
    chooser.setObjectName(QStringLiteral("photoChooser"));
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setDefaultSuffix(QStringLiteral("jpg"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    Q_EMIT PhotoChosen(slot, chooser.selectedFiles().constFirst());
    AcceptPhoto(slot, chooser.selectedFiles().constFirst());
}

bool CDLGFlyerDetails::AcceptPhoto(int slot, const QString& path)
{
    const ImageInfo info = GetImageInfo(path);
    // A file that is no picture, or a cut-off one, would otherwise be described as 0 x 0 pixels or
    // become a grey photo.
    QString refusal = info.ok ? CheckPictureFile(path, QFileInfo(path).fileName()) : QString();
    const bool picture = info.ok && refusal.isEmpty();
    if (refusal.isEmpty())
        refusal = CheckListingPhoto(slot + 1, path, info.ok, info.width, info.height, info.orientation);
    if (!refusal.isEmpty()) {
        if (picture &&
            PhotoCrop::MeetsSizeRules(PhotoCrop::Largest(QSize(info.width, info.height), slot + 1).size(), slot + 1))
            refusal += QStringLiteral("\n\nTo use a part of this photo, press \"Crop...\" under the photo.");
        ShowInfoMessage(refusal);
        return false;
    }
    const QFileInfo file(path);
    m_strStartFolder = file.absolutePath();
    m_strPhotoPaths[slot] = file.absoluteFilePath();
    m_crops[slot].reset();
    m_pPreviews[slot]->SetFile(m_strPhotoPaths[slot]);
    m_pPreviews[slot]->SetMode(CXPictureST::ModeFile);
    UpdatePhotoButtons();
    EmitDraftChanged();
    return true;
}

QWidget* CDLGFlyerDetails::FieldWidget(DetailsField field) const
{
    switch (field) {
    case DetailsField::Caption:
        return m_pCaption;
    case DetailsField::MLSNumber:
        return m_pMLS;
    case DetailsField::Price:
        return m_pPrice;
    case DetailsField::Address:
        return m_pAddress;
    case DetailsField::CityStateZip:
        return m_pCityStateZip;
    case DetailsField::Description:
        return m_pDescription;
    case DetailsField::Feature1:
    case DetailsField::Feature2:
    case DetailsField::Feature3:
    case DetailsField::Feature4:
        return m_pFeatures[int(field) - int(DetailsField::Feature1)];
    case DetailsField::MainPhotoButton:
        return m_pPhotoButtons[0];
    }
    return nullptr;
}

void CDLGFlyerDetails::OnBnClickedBtnSave()
{
    FlyerDetailsInput input;
    input.caption = m_pCaption->text();
    input.mlsNumber = m_pMLS->text();
    input.price = m_pPrice->text();
    input.address = m_pAddress->text();
    input.cityStateZip = m_pCityStateZip->text();
    input.description = m_pDescription->toPlainText();
    for (int i = 0; i < kPhotoSlots; ++i)
        input.features[i] = m_pFeatures[i]->text();
    input.hasMainPhoto = m_pPreviews[0]->HasPicture();

    if (const auto failure = CheckFlyerDetails(input)) {
        if (failure->warning)
            TemplateMessageBox(this, failure->message, AppInfo::DisplayName(), MsgBox::IconExclamation | MsgBox::OK);
        else
            ShowInfoMessage(failure->message);
        if (QWidget* focus = FieldWidget(failure->focus))
            focus->setFocus(Qt::OtherFocusReason);
        return;
    }

    const std::optional<QString> listingUrl = CheckListingUrl(m_pListingUrl->text());
    if (!listingUrl) {
        ShowInfoMessage(QStringLiteral("The 'Listing web address' must be a complete web address that starts with "
                                       "http:// or https://, for example https://www.example.com/listing/123, "
                                       "or be left empty."));
        m_pListingUrl->setFocus(Qt::OtherFocusReason);
        return;
    }

    const auto status = StatusFromKey(m_pStatus->currentData().toString()).value_or(ListingStatus::None);
    if (status == ListingStatus::OpenHouse) {
        const std::optional<COpenHouse> openHouse = OpenHouseFromControls();
        if (!openHouse) {
            ShowInfoMessage(QStringLiteral("The open house must end after it starts."));
            m_pOpenEnd->setFocus(Qt::OtherFocusReason);
            return;
        }
        m_openHouse = openHouse;
    }
    m_status = status;
    m_strListingUrl = *listingUrl;
    m_strCaption = input.caption;
    m_strMLS = input.mlsNumber;
    m_strPrice = input.price;
    m_strAddress = input.address;
    m_strCityStateZip = input.cityStateZip;
    m_strDescription = DescriptionFromEdit(input.description);
    m_strFeatures = input.features;
    QDialog::done(QDialog::Accepted);
}

void CDLGFlyerDetails::done(int result)
{
    // Every way to end with Accepted goes through the checks and the line-break conversion.
    if (result == QDialog::Accepted) {
        OnBnClickedBtnSave();
        return;
    }
    QDialog::done(result);
}

void CDLGFlyerDetails::OnBnClickedBtnHelp()
{
    OpenHelpTopic(this, m_settings, QString::fromLatin1(HelpTopic::Tutorial),
                  QString::fromLatin1(HelpTopic::TutorialNewFlyerAnchor));
}

void CDLGFlyerDetails::OnBnClickedBtnCrop(int slot)
{
    if (slot < 0 || slot >= kPhotoSlots)
        return;
    // A filled slot is cropped anew; an empty one first takes a photo, which may have any shape.
    QString path = m_pPreviews[slot]->HasPicture() ? m_strPhotoPaths[slot] : QString();
    const QRect crop = (!path.isEmpty() && m_crops[slot]) ? *m_crops[slot] : QRect();
    if (path.isEmpty()) {
        const QString title =
            (slot == 0 ? QStringLiteral("Choose Main Photo") : QStringLiteral("Choose Photo #%1").arg(slot + 1));
        QFileDialog chooser(this, title, ExistingFolder(m_strStartFolder), PhotoFileFilter());
        chooser.setObjectName(QStringLiteral("photoChooser"));
        chooser.setFileMode(QFileDialog::ExistingFile);
        chooser.setAcceptMode(QFileDialog::AcceptOpen);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return;
        path = chooser.selectedFiles().constFirst();
    }

    // Crops are measured on the whole picture, which for a project's photo is its "_original0N.jpg".
    QString why;
    const QImage picture = LoadImageFile(PhotoCrop::CropSource(path, slot + 1), &why);
    if (picture.isNull() && !why.isEmpty() && QFileInfo(path).isFile()) {
        // Damaged, no picture or too large: its size would read "0 pixels".
        ShowInfoMessage(why);
        return;
    }
    if (picture.isNull() || !PhotoCrop::MeetsSizeRules(PhotoCrop::Largest(picture.size(), slot + 1).size(), slot + 1)) {
        // Too small for any frame of the slot's shape: the usual message says what is needed.
        const ImageInfo info = GetImageInfo(path);
        ShowInfoMessage(CheckListingPhoto(slot + 1, path, info.ok, info.width, info.height, info.orientation));
        return;
    }
    CDLGPhotoCrop dialog(this, picture, slot + 1, crop);
    if (dialog.exec() != QDialog::Accepted)
        return;

    const QFileInfo file(path);
    m_strStartFolder = file.absolutePath();
    m_strPhotoPaths[slot] = file.absoluteFilePath();
    // A frame over the whole picture is no crop at all.
    m_crops[slot] = dialog.m_crop == picture.rect() ? std::nullopt : std::optional<QRect>(dialog.m_crop);
    m_pPreviews[slot]->SetFile(m_strPhotoPaths[slot]);
    m_pPreviews[slot]->SetMode(CXPictureST::ModeFile);
    UpdatePhotoButtons();
    EmitDraftChanged();
}

void CDLGFlyerDetails::SetFitNotes(const QStringList& notes)
{
    const QStringList all = notes + m_profilePrintNotes;
    m_pFitNote->setText(all.join(QLatin1Char('\n')));
    m_pFitNote->setToolTip(m_pFitNote->text());
    m_pFitNote->setVisible(!all.isEmpty());
}
