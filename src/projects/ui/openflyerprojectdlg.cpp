#include "projects/ui/openflyerprojectdlg.h"
#include "controls/confirm.h"

#include "controls/messageboxtypes.h"
#include "controls/ui/listctrl.h"
#include "controls/ui/messagebox.h"
#include "flyer/flyerdata.h"
#include "projects/foldertree.h"
#include "flyer/formatting.h"
#include "projects/projectstore.h"
#include "controls/ui/dialogunits.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"
#include "web/helptopic.h"
#include "web/ui/helpviewer.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace {

constexpr int kColumnMLS = 0;
constexpr int kColumnAddress = 1;
constexpr int kColumnCreated = 2;

Qt::CaseSensitivity FileNameCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString CleanFolder(const QString& folder)
{
    QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
}

} // namespace

CDLGOpenFlyerProject::CDLGOpenFlyerProject(QWidget* parent, CAppSettings& settings)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("CDLGOpenFlyerProject"));
    setWindowTitle(QStringLiteral("Open Flyer Project"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    using Id = OpenFlyerProjectId;
    const DialogUnits du(font());
    setFixedSize(du.Size(372, 182));

    m_pList = new CXListCtrl(this);
    m_pList->setObjectName(QStringLiteral("id%1").arg(int(Id::List)));
    m_pList->setGeometry(du.Rect(7, 8, 357, 143));
    m_pList->InsertColumn(kColumnMLS, QStringLiteral("MLS Number"), Qt::AlignLeft, 110);
    m_pList->InsertColumn(kColumnAddress, QStringLiteral("Address"), Qt::AlignLeft);
    // Wide enough for the whole date and time in the dialog's font, which may be wider than the classic one.
    const int createdWidth =
        qMax(154, m_pList->fontMetrics().horizontalAdvance(QStringLiteral("00-00-0000  00:00:00 PM")) + 16);
    m_pList->InsertColumn(kColumnCreated, QStringLiteral("Created"), Qt::AlignHCenter, createdWidth);
    // The address column takes what the other two and a vertical scroll bar leave.
    const int client = m_pList->width() - 2 * m_pList->frameWidth();
    const int scrollBar = m_pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pList);
    m_pList->setColumnWidth(kColumnAddress, qMax(80, client - scrollBar - 110 - createdWidth));
    m_pList->viewport()->installEventFilter(this);
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CDLGOpenFlyerProject::UpdateButtons);

    m_pAlwaysShowDetails = new QCheckBox(QStringLiteral("Always Show Flyer Details"), this);
    m_pAlwaysShowDetails->setObjectName(QStringLiteral("id%1").arg(int(Id::AlwaysShowDetails)));
    m_pAlwaysShowDetails->setGeometry(du.Rect(11, 161, 130, 12));

    const struct
    {
        const char* text;
        Id id;
        int x;
        void (CDLGOpenFlyerProject::*handler)();
    } buttons[] = {
        {"&Open", Id::Open, 156, &CDLGOpenFlyerProject::OnBnClickedBtnOpen},
        {"&Delete", Id::Delete, 209, &CDLGOpenFlyerProject::OnBnClickedBtnDelete},
        {"&Cancel", Id::Cancel, 262, &CDLGOpenFlyerProject::reject},
        {"&Help", Id::Help, 315, &CDLGOpenFlyerProject::OnBnClickedBtnHelp},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(QStringLiteral("id%1").arg(int(b.id)));
        button->setGeometry(du.Rect(b.x, 161, 50, 14));
        connect(button, &QPushButton::clicked, this, b.handler);
        if (b.id == Id::Open)
            m_pOpen = button;
        else if (b.id == Id::Delete)
            m_pDelete = button;
    }
    m_pOpen->setDefault(true);
    UpdateButtons();
}

CDLGOpenFlyerProject::~CDLGOpenFlyerProject() = default;

bool CDLGOpenFlyerProject::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList->viewport()) {
        // A double click anywhere in the list opens the selected project, and a click on the empty
        // space below the rows keeps that selection: Open never loses its project to a stray click.
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (m_pList->rowCount() > 0)
                OnBnClickedBtnOpen();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!m_pList->indexAt(mouse->position().toPoint()).isValid())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDLGOpenFlyerProject::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CDLGOpenFlyerProject::OnInitDialog()
{
    const QStringList unreadable = FillProjectList();
    m_pAlwaysShowDetails->setChecked(m_settings.AlwaysShowFlyerDetails != 0);
    m_pList->setFocus();
    m_pList->SelectItem(0);
    UpdateButtons();
    if (!unreadable.isEmpty()) {
        // Told once the dialog is up, so the message sits over the list it explains.
        const QString text = unreadable.join(QStringLiteral("\n\n"));
        QTimer::singleShot(0, this, [this, text] {
            TemplateMessageBox(this, text, AppInfo::DisplayName(), MsgBox::IconExclamation | MsgBox::OK);
        });
    }
}

QStringList CDLGOpenFlyerProject::FillProjectList()
{
    m_pList->DeleteAllItems();
    m_paths.clear();
    QStringList unreadable;
    m_paths = CollectFiles(m_settings.strPath2FlyerProjects, QStringLiteral("*.lso"), true);
    for (int i = 0; i < m_paths.size(); ++i) {
        // A damaged file is still listed, with what could be read, so that it can be deleted;
        // the projects after it are listed as well.
        FlyerFileStatus status;
        const CFlyerData project = CFlyerData::OpenFromFile(m_paths[i], &status);
        if (status.IsError())
            unreadable << status.text;
        const int row = m_pList->InsertItem(-1, project.m_strMLS);
        if (!project.m_strAddress.isEmpty())
            m_pList->SetItemText(row, kColumnAddress,
                                 project.m_strAddress + QStringLiteral(", ") + project.m_strCityStateZip);
        m_pList->SetItemText(row, kColumnCreated, FormatProjectTime(project.m_timeCreated));
        m_pList->SetItemData(row, i);
    }
    m_pList->SortItems(kColumnCreated, false);
    return unreadable;
}

void CDLGOpenFlyerProject::UpdateButtons()
{
    const bool enable = m_pList->rowCount() > 0 && m_pList->GetFirstSelectedItem() >= 0;
    m_pOpen->setEnabled(enable);
    m_pDelete->setEnabled(enable);
}

QString CDLGOpenFlyerProject::SelectedProjectFile() const
{
    const int row = m_pList->GetFirstSelectedItem();
    if (row < 0)
        return QString();
    const qint64 index = m_pList->GetItemData(row);
    return index >= 0 && index < m_paths.size() ? m_paths.at(index) : QString();
}

void CDLGOpenFlyerProject::OnBnClickedBtnOpen()
{
    m_bAlwaysShowFlyerDetails = m_pAlwaysShowDetails->isChecked() ? 1 : 0;
    const QString selected = SelectedProjectFile();
    if (selected.isEmpty())
        return;
    m_strSelectedPath = selected;
    m_settings.AlwaysShowFlyerDetails = m_bAlwaysShowFlyerDetails;
    m_settings._SaveSettings();
    accept();
}

bool CDLGOpenFlyerProject::DeleteProjectAt(const QString& projectFile, bool* folderRemoved)
{
    *folderRemoved = false;
    const QString folder = CleanFolder(QFileInfo(projectFile).absolutePath());
    const QString projectsFolder = CleanFolder(m_settings.strPath2FlyerProjects);

    // A project's folder goes with it, unless it is the projects folder itself or also holds
    // another project: then only the project file is removed.
    bool shared =
        folder.compare(projectsFolder, FileNameCase()) == 0 || !folder.startsWith(projectsFolder, FileNameCase());
    if (!shared) {
        const QString self = QFileInfo(projectFile).absoluteFilePath();
        const QStringList inside = CollectFiles(folder, QStringLiteral("*.lso"), true);
        for (const QString& other : inside) {
            if (QFileInfo(other).absoluteFilePath().compare(self, FileNameCase()) != 0) {
                shared = true;
                break;
            }
        }
    }
    if (shared) {
        QFile file(projectFile);
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        return file.remove();
    }
    QString withoutSeparator = folder;
    withoutSeparator.chop(1);
    if (!DeleteFolderTree(withoutSeparator))
        return false;
    *folderRemoved = true;
    return true;
}

void CDLGOpenFlyerProject::OnBnClickedBtnDelete()
{
    const QString projectFile = SelectedProjectFile();
    if (projectFile.isEmpty())
        return;
    const CFlyerData project = CFlyerData::OpenFromFile(projectFile);
    const QString question =
        QStringLiteral("Delete the following flyer project?\n\n[%1] %2, %3\n\nNOTE: This action cannot be undone.")
            .arg(project.m_strMLS, project.m_strAddress, project.m_strCityStateZip);
    if (!Confirm(m_settings, CAppSettings::ConfirmKind::DeleteProject, question))
        return;

    bool folderRemoved = false;
    if (!DeleteProjectAt(projectFile, &folderRemoved))
        return;

    const QString file = QDir::cleanPath(QFileInfo(projectFile).absoluteFilePath());
    if (!m_deletedFiles.contains(file, FileNameCase()))
        m_deletedFiles << file;
    if (folderRemoved) {
        const QString folder = CleanFolder(QFileInfo(projectFile).absolutePath());
        if (!m_deletedFolders.contains(folder, FileNameCase())) {
            m_deletedFolders << folder;
            m_deletedFolders.sort(FileNameCase());
        }
    }
    m_bDeleted = 1;

    FillProjectList(); // files that cannot be read were reported when the dialog opened
    m_pList->SelectItem(0);
    UpdateButtons();
}

bool CDLGOpenFlyerProject::IsProjectDeleted(const QString& pathName) const
{
    if (pathName.isEmpty())
        return false;
    const QString path = QDir::cleanPath(QFileInfo(pathName).absoluteFilePath());
    for (const QString& file : m_deletedFiles) {
        if (path.compare(file, FileNameCase()) == 0)
            return true;
    }
    const QString asFolder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString& folder : m_deletedFolders) {
        if (asFolder.startsWith(folder, FileNameCase()))
            return true;
    }
    return false;
}

void CDLGOpenFlyerProject::OnBnClickedBtnHelp()
{
    OpenHelpTopic(this, m_settings, QString::fromLatin1(HelpTopic::Opening));
}
