#pragma once

#include <QDialog>

#include <functional>

class CAppSettings;
class CPPDLGOptionsMyInfo;
class QCheckBox;

// The chooser offered after start-up: five command links and the "Show QuickStart on Startup" check
// box. exec() returns the id of the clicked link, or 0 when the chooser was closed without a choice.
class CDLGQuickStart : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDLGQuickStart)

public:
    enum Choice
    {
        ChoiceNone = 0,
        ChoiceNewProject = 201,
        ChoiceOpenProject = 202,
        ChoiceMainWindow = 203,
        ChoiceTutorial = 204,
        ChoiceProfile = 205,
    };

    explicit CDLGQuickStart(QWidget* owner);
    ~CDLGQuickStart() override;

    bool IsShowOnStartupChecked() const;
    void SetShowOnStartupChecked(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QCheckBox* m_pShowOnStartup = nullptr;
    int m_nBandMargin = 0;
};

// What the chooser's links start; the tutorial is opened by the chooser itself.
struct QuickStartActions
{
    std::function<void()> newProject;
    std::function<void()> openProject;
    std::function<void()> editProfile;
};

// Offers the chooser when ShowQuickStart is set, takes its check box into that setting (saved with the
// next save of the settings) and starts the chosen action. Returns the choice; ChoiceNone when the
// chooser was not shown or was closed.
int RunQuickStartChooser(QWidget* owner, CAppSettings& settings, const QuickStartActions& actions);

// The one-page sheet with the My Information page. When it is saved the profile goes into the settings,
// which are saved at once; returns whether that happened, so the caller can render the flyer again.
// pageReady runs with the page before the sheet is shown (the main window follows its edits live).
bool RunProfileSheet(QWidget* owner, CAppSettings& settings,
                     const std::function<void(CPPDLGOptionsMyInfo&)>& pageReady = {});
