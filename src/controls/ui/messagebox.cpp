#include "controls/ui/messagebox.h"

#include "settings/appinfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

Q_LOGGING_CATEGORY(lcMessageBox, "listora.messagebox")

namespace {

QString ControlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

struct QueuedAnswer
{
    int id;
    bool tick;
};

QList<QueuedAnswer>& Answers()
{
    static QList<QueuedAnswer> answers;
    return answers;
}

QList<CXMessageBoxTest::Asked>& AskedRecord()
{
    static QList<CXMessageBoxTest::Asked> asked;
    return asked;
}

QPointer<QWidget>& MainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QStyle::StandardPixmap StandardIcon(MsgBox::Icon icon)
{
    switch (icon) {
    case MsgBox::IconStop:
        return QStyle::SP_MessageBoxCritical;
    case MsgBox::IconQuestion:
        return QStyle::SP_MessageBoxQuestion;
    case MsgBox::IconInformation:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_MessageBoxWarning;
    }
}

// Confirmations asked by core code come here; they belong to the main window, which must be on
// screen for the question to make sense.
int PresentFromCore(const QString& text, const QString& caption, quint32 type)
{
    QWidget* main = MainWindow();
    if (main && (main->isHidden() || main->isMinimized()))
        main->show();
    return TemplateMessageBox(main, text, caption, type);
}

const bool kPresenterInstalled = [] {
    MsgBox::SetPresenter(&PresentFromCore);
    return true;
}();

} // namespace

CXMessageBox::CXMessageBox(QWidget* owner, const QString& text, const QString& caption, quint32 type)
    : QDialog(owner), m_nType(type)
{
    setWindowTitle(caption.isNull() ? QStringLiteral("Error") : caption);
    setFont(QApplication::font("QMessageBox"));
    const QFontMetrics fm(font());

    const QList<MsgBox::ButtonDef> defs = MsgBox::Buttons(type);
    const quint32 checkBit = MsgBox::CheckBoxBit(type);
    const MsgBox::Icon icon = MsgBox::IconOf(type);
    const auto extent = [&fm](QString s) { return fm.horizontalAdvance(s.remove(QLatin1Char('&'))); };

    MsgBox::LayoutInput in;
    // Dialog base units of the message font, by the classic average-character rule.
    in.baseUnitX =
        (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    in.baseUnitY = fm.height();
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    in.screenWidth = screen ? screen->geometry().width() : 1024;
    const int iconExtent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    if (icon != MsgBox::IconNone)
        in.iconSize = QSize(iconExtent, iconExtent);
    const int wrap = MsgBox::WrapWidth(in.screenWidth, in.iconSize.width());
    const int textFlags = Qt::TextWordWrap | Qt::TextExpandTabs;
    const QString shown = MsgBox::DisplayText(text);
    in.textSize = fm.boundingRect(QRect(0, 0, wrap, 1 << 20), textFlags, shown).size();
    in.lineHeight = fm.boundingRect(QRect(0, 0, wrap, 1 << 20), textFlags, QStringLiteral("My")).height();
    for (const MsgBox::ButtonDef& def : defs)
        in.buttonTextWidths.append(extent(def.text));
    if (checkBit)
        in.checkBoxTextWidth = extent(MsgBox::CheckBoxText(checkBit));
    m_layout = MsgBox::ComputeLayout(in);

    if (!m_layout.icon.isNull()) {
        auto* iconLabel = new QLabel(this);
        iconLabel->setObjectName(ControlName(int(MessageBoxId::Icon)));
        iconLabel->setPixmap(style()->standardIcon(StandardIcon(icon), nullptr, this).pixmap(in.iconSize));
        iconLabel->setGeometry(QRect(m_layout.icon.topLeft(), in.iconSize));
    }

    m_pMessage = new QLabel(this);
    m_pMessage->setObjectName(ControlName(int(MessageBoxId::Message)));
    m_pMessage->setTextFormat(Qt::PlainText);
    m_pMessage->setWordWrap(true);
    m_pMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pMessage->setText(shown);
    m_pMessage->setGeometry(m_layout.message);
    QPalette messagePalette = m_pMessage->palette();
    messagePalette.setColor(QPalette::WindowText, palette().color(QPalette::Text));
    m_pMessage->setPalette(messagePalette);

    const int defaultIndex = MsgBox::DefaultButtonIndex(type);
    for (qsizetype i = 0; i < defs.size(); ++i) {
        auto* button = new QPushButton(defs[i].text, this);
        button->setObjectName(ControlName(defs[i].id));
        button->setGeometry(m_layout.buttons[i]);
        button->setAutoDefault(true);
        const int id = defs[i].id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnButton(id); });
        m_buttons.append(button);
    }
    m_buttons[defaultIndex]->setDefault(true);
    m_buttons[defaultIndex]->setFocus();

    if (checkBit) {
        m_pCheckBox = new QCheckBox(MsgBox::CheckBoxText(checkBit), this);
        m_pCheckBox->setObjectName(ControlName(int(MessageBoxId::CheckBox)));
        m_pCheckBox->setGeometry(m_layout.checkBox);
    }

    setFixedSize(m_layout.client);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (MsgBox::CancelResult(type) != 0)
        flags |= Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowModality(owner && !(type & MsgBox::SystemModal) ? Qt::WindowModal : Qt::ApplicationModal);

    auto* copy = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this);
    connect(copy, &QShortcut::activated, this, &CXMessageBox::CopyToClipboard);
}

QString CXMessageBox::ClipboardText() const
{
    QStringList texts;
    for (const QPushButton* button : m_buttons)
        texts.append(button->text());
    if (m_pCheckBox)
        texts.append(m_pCheckBox->text());
    return MsgBox::ClipboardText(windowTitle(), m_pMessage->text(), texts);
}

void CXMessageBox::CopyToClipboard()
{
    QGuiApplication::clipboard()->setText(ClipboardText());
}

bool CXMessageBox::PressButton(int id)
{
    for (QPushButton* button : std::as_const(m_buttons)) {
        if (button->objectName() == ControlName(id)) {
            button->click();
            return true;
        }
    }
    return false;
}

void CXMessageBox::OnButton(int id)
{
    if (id == MsgBox::IdCancel) {
        reject();
        return;
    }
    m_nResult = id;
    if (m_pCheckBox && m_pCheckBox->isChecked())
        m_nResult |= int(MsgBox::CheckBoxBit(m_nType));
    done(QDialog::Accepted);
}

void CXMessageBox::reject()
{
    const int result = MsgBox::CancelResult(m_nType);
    if (result == 0)
        return; // this box must be answered with one of its buttons
    m_nResult = result;
    done(QDialog::Rejected);
}

void CXMessageBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const int index = MsgBox::DefaultButtonIndex(m_nType);
    if (index < m_buttons.size())
        m_buttons[index]->setFocus();
    activateWindow();
}

void CXMessageBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.fillRect(QRect(0, 0, width(), m_layout.message.y() + m_layout.message.height()),
                     palette().color(QPalette::Base));
}

int TemplateMessageBox(QWidget* owner, const QString& text, const QString& caption, quint32 type)
{
    if (!owner)
        owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();

    // Held by pointer: if the owner goes away while the box is open, it takes the box with it.
    QPointer<CXMessageBox> box = new CXMessageBox(owner, text, caption, type);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    int result = -1;
    QObject::connect(box, &QDialog::finished, box, [&result, box] { result = box->Result(); });

    if (!Answers().isEmpty()) {
        const QueuedAnswer answer = Answers().takeFirst();
        if (answer.tick) {
            if (auto* check = box->findChild<QCheckBox*>(ControlName(int(MessageBoxId::CheckBox))))
                check->setChecked(true);
            else
                qCWarning(lcMessageBox) << "test answer ticks a check box the box does not have";
        }
        if (answer.id == CXMessageBoxTest::Escape)
            box->reject();
        else if (!box->PressButton(answer.id))
            qCWarning(lcMessageBox) << "test answer" << answer.id << "is not a button of:" << text;
        CXMessageBoxTest::Asked asked;
        asked.caption = box->windowTitle();
        asked.text = text;
        asked.type = type;
        for (const MsgBox::ButtonDef& def : MsgBox::Buttons(type))
            asked.buttons.append(def.text);
        asked.result = box->Result();
        AskedRecord().append(asked);
        delete box;
        return asked.result;
    }

    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        qCWarning(lcMessageBox) << "message box waits for an answer nobody can see:" << text;
    box->exec();
    delete box; // no-op when the owner already took it
    return result;
}

int ShowInfoMessage(const QString& message)
{
    return TemplateMessageBox(MainWindow(), message, AppInfo::DisplayName(), MsgBox::IconInformation | MsgBox::OK);
}

void SetMessageBoxMainWindow(QWidget* window)
{
    MainWindow() = window;
}

QWidget* MessageBoxMainWindow()
{
    return MainWindow();
}

namespace CXMessageBoxTest {

void AnswerNext(int buttonId, bool tickCheckBox)
{
    Q_UNUSED(kPresenterInstalled);
    Answers().append({buttonId, tickCheckBox});
}

int PendingAnswers()
{
    return int(Answers().size());
}

QList<Asked> TakeAsked()
{
    return std::exchange(AskedRecord(), {});
}

void Clear()
{
    Answers().clear();
    AskedRecord().clear();
}

} // namespace CXMessageBoxTest
