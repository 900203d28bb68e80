#pragma once

#include "controls/messageboxlayout.h"
#include "controls/messageboxtypes.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

// Every question and notice of the program. Type words as in MsgBox (messageboxtypes.h), e.g.
// 0x40 information + OK, 0x44 information + Yes/No, 0x21000024 question + Yes/No + "Don't ask me
// again". Returns the pressed button's id, plus the check-box bit when the box had a check box and
// it was ticked (0x01000006 = Yes with "Don't ask me again"); -1 when the box was not answered
// (the application quit while it was open). Without an owner the active window is used; without
// a caption (null string) the caption is "Error".
int TemplateMessageBox(QWidget* owner, const QString& text, const QString& caption, quint32 type);

// An information notice with "OK" over the main window, captioned with the program's name.
// Format the message first (QString::arg); returns the result as TemplateMessageBox does.
int ShowInfoMessage(const QString& message);

// The window message boxes belong to when no owner is given (ShowInfoMessage, CAppSettings::Confirm).
// Confirmations first show it when it is hidden. The main window registers itself here.
void SetMessageBoxMainWindow(QWidget* window);
QWidget* MessageBoxMainWindow();

// Test hook: lets widget tests drive every message box of the program, including the ones that
// CAppSettings::Confirm asks through. Queue answers before the code under test asks: each
// following TemplateMessageBox builds its dialog as usual and then, instead of waiting for a user,
// ticks the check box when asked and presses the button with the given id (MsgBox::IdYes, ...) or
// sends Escape (CXMessageBoxTest::Escape). It returns exactly what that user action returns
// (Escape on a box that ignores it answers -1, as does a button the box does not have). Answers
// are used in order; with none queued, the box is shown and waits for a user as always.
//
//     CXMessageBoxTest::AnswerNext(MsgBox::IdNo, /*tickCheckBox=*/true);
//     dialog.OnBnClickedBtnExit();
//     const auto asked = CXMessageBoxTest::TakeAsked();
//     QCOMPARE(asked.size(), 1);
//     QCOMPARE(asked[0].text, "Are you sure you want to Exit?");
namespace CXMessageBoxTest {

constexpr int Escape = -100;

void AnswerNext(int buttonId, bool tickCheckBox = false);
int PendingAnswers();

struct Asked
{
    QString caption;
    QString text;
    quint32 type = 0;
    QStringList buttons; // texts of the buttons shown, with their "&"
    int result = -1;
};
// Every box the hook answered since the last call, oldest first.
QList<Asked> TakeAsked();
// Drops queued answers and the record.
void Clear();

} // namespace CXMessageBoxTest

// The box's own controls by number; its buttons go by their answer (MsgBox::IdYes is "id6").
enum class MessageBoxId : int
{
    Icon = 1000,
    Message = 1001,
    CheckBox = 5555,
};

// The dialog behind TemplateMessageBox: a white message band over a grey button band, buttons
// aligned right. Controls are named "id" + their id ("id6" for "&Yes", "id1001" the message,
// "id1000" the icon, "id5555" the check box).
class CXMessageBox : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXMessageBox)

public:
    CXMessageBox(QWidget* owner, const QString& text, const QString& caption, quint32 type);

    // -1 until a button ends the box.
    int Result() const { return m_nResult; }
    const MsgBox::Layout& BoxLayout() const { return m_layout; }
    QString ClipboardText() const;
    // Presses the button with this id as a click would; false when the box has no such button.
    bool PressButton(int id);

    void reject() override; // Escape and the Close entry

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnButton(int id);
    void CopyToClipboard();

    quint32 m_nType;
    MsgBox::Layout m_layout;
    QList<QPushButton*> m_buttons;
    QLabel* m_pMessage = nullptr;
    QCheckBox* m_pCheckBox = nullptr;
    int m_nResult = -1;
};
