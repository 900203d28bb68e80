#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class CAppSettings;
class CXListCtrl;
class QCheckBox;
class QPushButton;

// The dialog's controls by number; each is named "id" + its number ("id1348").
enum class OpenFlyerProjectId : int
{
    Cancel = 2,
    Help = 1012,
    List = 1345,
    AlwaysShowDetails = 1346,
    Open = 1348,
    Delete = 1349,
};

// Lists every project file found under the projects folder, newest first, and lets the user open
// one or delete projects. The caller reads the members after the dialog ends: on Accepted the
// selected file and the "Always Show Flyer Details" choice; either way whether projects were
// deleted, so that it can close a deleted project it has open (IsProjectDeleted).
class CDLGOpenFlyerProject : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDLGOpenFlyerProject)

public:
    CDLGOpenFlyerProject(QWidget* parent, CAppSettings& settings);
    ~CDLGOpenFlyerProject() override;

    QString m_strSelectedPath;         // the project file to open, after Accepted
    int m_bAlwaysShowFlyerDetails = 0; // the check box as it was when Open was pressed
    int m_bDeleted = 0;                // set once any project was deleted
    QStringList m_deletedFolders;      // project folders removed, each ending in "/", sorted, no repeats
    QStringList m_deletedFiles;        // every project file deleted, with or without its folder

    // Whether the project stored at pathName (a project file, or its folder ending in "/") was
    // deleted while the dialog was open.
    bool IsProjectDeleted(const QString& pathName) const;

    void OnBnClickedBtnOpen();
    void OnBnClickedBtnDelete();
    void OnBnClickedBtnHelp();

    CXListCtrl* ProjectList() const { return m_pList; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    // Returns the texts of the project files that could not be read.
    QStringList FillProjectList();
    void UpdateButtons();
    // The project file of the selected row; empty when no row is selected.
    QString SelectedProjectFile() const;
    bool DeleteProjectAt(const QString& projectFile, bool* folderRemoved);

    CAppSettings& m_settings;
    QStringList m_paths; // project files in the order found; a row's item data indexes it
    bool m_bInitialised = false;

    CXListCtrl* m_pList = nullptr;
    QCheckBox* m_pAlwaysShowDetails = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pDelete = nullptr;
};
