#pragma once

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QColorDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <type_traits>

// Driving windows and modal dialogs from a test.
namespace TestSupport {

// A control by its number, as the dialogs name the controls that have no symbolic name ("id1354").
// Takes the dialog's enum of control ids or a plain number.
template <typename Id> QString ControlName(Id id)
{
    return QStringLiteral("id%1").arg(static_cast<int>(id));
}

template <typename T, typename Id> T* Child(const QObject* parent, Id id)
{
    T* child = parent->findChild<T*>(ControlName(id));
    if (!child)
        qWarning("no control %s under %s", qPrintable(ControlName(id)), parent->metaObject()->className());
    return child;
}

template <typename T, typename Id> T* Child(const QObject& parent, Id id)
{
    return Child<T>(&parent, id);
}

// What became of a WhenShown.
struct ModalWatch
{
    bool seen = false;
    QString className; // of the dialog answered
    QPointer<QTimer> poll;

    // Looks no longer; a dialog that comes later is left to whoever else waits for it.
    void Stop();
};

// Looks at the active modal dialog on the next pass of the event loop (the dialog's own loop, when it
// is opened right after this call) and again every 20 ms for up to `patienceMs`; the first one that
// `matches` is handed to `answer`, which must end it.
std::shared_ptr<ModalWatch> WhenModal(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer,
                                      int patienceMs = 0);

// How long a dialog that the program opens after some work of its own may take to come up.
constexpr int kPatienceMs = 10000;

// Answers the next modal dialog of type T (any dialog, by default) once it is up.
template <typename T = QWidget>
std::shared_ptr<ModalWatch> WhenShown(std::type_identity_t<std::function<void(T&)>> answer, int patienceMs = 0)
{
    return WhenModal([](QWidget& modal) { return qobject_cast<T*>(&modal) != nullptr; },
                     [answer](QWidget& modal) { answer(*qobject_cast<T*>(&modal)); }, patienceMs);
}

// Answers the next colour dialog as a user typing a colour into its hex ("HTML") field and pressing
// Enter. `typed` says whether that field was found.
inline std::shared_ptr<ModalWatch> AnswerColorDialog(const QString& hex, std::shared_ptr<bool> typed = {})
{
    return WhenShown<QColorDialog>([hex, typed](QColorDialog& dialog) {
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
            if (!edit->text().startsWith(QLatin1Char('#')))
                continue;
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, hex);
            if (typed)
                *typed = true;
            QTest::keyClick(edit, Qt::Key_Return);
            break;
        }
        if (dialog.isVisible())
            dialog.reject();
    });
}

// Long enough for the render worker's first start on a loaded two-core machine.
constexpr int kIdleTimeoutMs = 60000;

// Waits until the main window has no flyer render and no cover on the way and no dialog is open.
template <typename Window> bool WaitIdle(const Window& window, int timeoutMs = kIdleTimeoutMs)
{
    return QTest::qWaitFor(
        [&] { return !window.IsRenderPending() && !window.IsMakingCovers() && !QApplication::activeModalWidget(); },
        timeoutMs);
}

} // namespace TestSupport
