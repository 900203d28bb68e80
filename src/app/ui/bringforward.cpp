#include "app/ui/bringforward.h"

#include <QApplication>
#include <QList>
#include <QWidget>

namespace {

// The open modal dialogs from the one nearest `window` to the topmost. A modal dialog owned by
// some other window blocks this one all the same, so it is taken too.
QList<QWidget*> OpenModalDialogs(const QWidget* window)
{
    QList<QWidget*> chain;
    for (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog != window;) {
        if (dialog->isVisible())
            chain.prepend(dialog);
        QWidget* owner = dialog->parentWidget();
        dialog = owner ? owner->window() : nullptr;
    }
    return chain;
}

} // namespace

void BringWindowForward(QWidget* window, bool activate)
{
    if (!window || !window->isVisible())
        return;
    // Only a minimised window changes state: a maximised one stays maximised.
    if (activate && window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    QWidget* top = window;
    for (QWidget* dialog : OpenModalDialogs(window)) {
        dialog->raise();
        top = dialog;
    }
    if (activate)
        top->activateWindow();
}
