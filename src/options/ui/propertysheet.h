#pragma once

#include "app/processevents.h" // the window under a closed sheet repaints through it

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class CAppSettings;
class QPushButton;
class QTabWidget;

// The sheet's own buttons by number; each is named "id" + its number ("id1").
enum class PropertySheetId : int
{
    Save = 1,
    Cancel = 2,
    Help = 143,
};

// A tabbed sheet of pages with Save, Cancel and Help along the bottom. Each tab is captioned with its
// page's window title. Save runs every page's OK step before the sheet ends with Accepted; Help opens the
// help topic of the page in front.
class CXPropertySheet : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXPropertySheet)

public:
    CXPropertySheet(CAppSettings& settings, const QString& title, QWidget* parent);
    ~CXPropertySheet() override;

    // The sheet takes ownership of the page. onOK reads the page's controls into its members.
    void AddPage(QWidget* page, const QString& helpTopic, std::function<void()> onOK);

    int GetPageCount() const;
    QWidget* GetActivePage() const;
    int GetActiveIndex() const;
    void SetActivePage(int index);

    QPushButton* SaveButton() const { return m_pSave; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QPushButton* HelpButton() const { return m_pHelp; }

    void OnBnClickedHelp();
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LayoutSheet();

    struct Page
    {
        QWidget* page;
        QString helpTopic;
        std::function<void()> onOK;
    };

    CAppSettings& m_settings;
    QList<Page> m_pages;
    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pHelp = nullptr;
};
