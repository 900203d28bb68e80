#include "controls/messageboxtypes.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMsgBox, "listora.msgbox")

namespace MsgBox {

namespace {

Presenter& CurrentPresenter()
{
    static Presenter presenter;
    return presenter;
}

} // namespace

void SetPresenter(Presenter presenter)
{
    CurrentPresenter() = std::move(presenter);
}

bool HasPresenter()
{
    return bool(CurrentPresenter());
}

int Present(const QString& text, const QString& caption, quint32 type)
{
    if (!CurrentPresenter()) {
        qCWarning(lcMsgBox) << "no message box available for:" << text;
        return -1;
    }
    return CurrentPresenter()(text, caption, type);
}

} // namespace MsgBox
