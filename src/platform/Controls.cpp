#include "platform/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>
#include <QSlider>
#include <QStyleOption>
#include <QTabBar>
#include <QTimer>

#include "platform/CommonControls.h"
#include "platform/MessageBox.h"

namespace {

// A vertical scroll bar used as a spin: an up and a down arrow. A press
// sends a line step, held it repeats, the release ends the scroll.
class SpinBar : public QWidget {
public:
    SpinBar(QWidget* parent, CWnd* owner) : QWidget(parent), m_owner(owner)
    {
        setFocusPolicy(Qt::TabFocus);
        m_bar.Attach(this);
        m_repeat.setSingleShot(true);
        QObject::connect(&m_repeat, &QTimer::timeout, this, [this] { Repeat(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int half = height() / 2;
        DrawArrow(painter, QRect(0, 0, width(), half), QStyle::PE_IndicatorArrowUp, m_pressed && m_code == SB_LINEUP);
        DrawArrow(painter, QRect(0, half, width(), height() - half), QStyle::PE_IndicatorArrowDown,
                  m_pressed && m_code == SB_LINEDOWN);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        m_pressed = true;
        m_code = event->position().y() < height() / 2 ? SB_LINEUP : SB_LINEDOWN;
        update();
        Step(kFirstDelayMs);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && m_pressed)
            EndScroll();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Up: Scroll(SB_LINEUP); return;
        case Qt::Key_Down: Scroll(SB_LINEDOWN); return;
        default: QWidget::keyPressEvent(event);
        }
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat())
            Scroll(SB_ENDSCROLL);
        else
            QWidget::keyReleaseEvent(event);
    }

private:
    static constexpr int kFirstDelayMs = 400;
    static constexpr int kRepeatMs = 80;

    void DrawArrow(QPainter& painter, const QRect& rect, QStyle::PrimitiveElement arrow, bool sunken)
    {
        QStyleOption option;
        option.initFrom(this);
        option.rect = rect;
        if (sunken)
            option.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = rect.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(arrow, &option, &painter, this);
    }
    void Repeat() { Step(kRepeatMs); }
    // The timer is off while the handler runs: a message box it shows must
    // not see the step repeat under it. The box takes the mouse release, so
    // it ends the press as the release would.
    void Step(int nextDelayMs)
    {
        const int boxes = MessageBoxCount();
        Scroll(m_code);
        if (MessageBoxCount() != boxes && m_pressed)
            EndScroll();
        if (m_pressed)
            m_repeat.start(nextDelayMs);
    }
    void EndScroll()
    {
        m_pressed = false;
        m_repeat.stop();
        update();
        Scroll(SB_ENDSCROLL);
    }
    void Scroll(UINT code) { m_owner->OnVScroll(code, 0, &m_bar); }

    CWnd* m_owner;
    CScrollBar m_bar;
    QTimer m_repeat;
    bool m_pressed = false;
    UINT m_code = SB_LINEUP;
};

// Check boxes and radios take clicks anywhere in their rectangle, not only on
// the mark and the text.
template <typename Button>
class WholeRectButton : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

// A push button pressed by its access key is clicked as by the mouse: it
// takes the focus first, so that the control losing it runs its kill-focus
// handling (an edit's value is read) before the button's command. A message
// box shown on the way takes the press, as it takes the mouse's.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous())
            return QPushButton::event(event);
        ClickAsByMouse();
        return true;
    }

private:
    void ClickAsByMouse()
    {
        const int boxes = MessageBoxCount();
        QPointer<QPushButton> self(this);
        if (focusPolicy() & Qt::ClickFocus)
            setFocus(Qt::ShortcutFocusReason);
        if (self && MessageBoxCount() == boxes)
            click();
    }
};

// Sends EN_KILLFOCUS when an edit loses the focus.
class KillFocusFilter : public QObject {
public:
    KillFocusFilter(QObject* parent, CWnd* owner, int id) : QObject(parent), m_owner(owner), m_id(id) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            m_owner->OnCommand(MAKEWPARAM(WORD(m_id), EN_KILLFOCUS), 0);
        return false;
    }

private:
    CWnd* m_owner;
    int m_id;
};

void Notify(CWnd* owner, int id, WORD code) { owner->OnCommand(MAKEWPARAM(WORD(id), code), 0); }

QWidget* MakeButton(const ControlTemplate& ctl, QWidget* parent, CWnd* owner)
{
    const QString text = QString::fromLatin1(ctl.text);
    QAbstractButton* button = nullptr;
    switch (ctl.kind) {
    case ControlKind::CheckBox: button = new WholeRectButton<QCheckBox>(text, parent); break;
    case ControlKind::RadioButton: button = new WholeRectButton<QRadioButton>(text, parent); break;
    default: {
        auto* push = new PushButton(text, parent);
        push->setAutoDefault(false);
        push->setDefault(ctl.kind == ControlKind::DefPushButton);
        button = push;
    }
    }
    const int id = ctl.id;
    QObject::connect(button, &QAbstractButton::clicked, parent, [owner, id] { Notify(owner, id, BN_CLICKED); });
    return button;
}

QWidget* MakeEdit(const ControlTemplate& ctl, QWidget* parent, CWnd* owner)
{
    const int id = ctl.id;
    QWidget* edit = nullptr;
    if (ctl.kind == ControlKind::MultiLineEdit) {
        auto* text = new QPlainTextEdit(QString::fromLatin1(ctl.text), parent);
        // In a dialog Tab leaves the edit; Return still makes a new line.
        text->setTabChangesFocus(true);
        QObject::connect(text, &QPlainTextEdit::textChanged, parent, [owner, id] { Notify(owner, id, EN_CHANGE); });
        edit = text;
    } else {
        auto* line = new QLineEdit(QString::fromLatin1(ctl.text), parent);
        QObject::connect(line, &QLineEdit::textChanged, parent, [owner, id] { Notify(owner, id, EN_CHANGE); });
        edit = line;
    }
    edit->installEventFilter(new KillFocusFilter(edit, owner, id));
    return edit;
}

QWidget* MakeCombo(const ControlTemplate& ctl, QWidget* parent, CWnd* owner)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(ctl.kind == ControlKind::ComboDropDown);
    combo->setInsertPolicy(QComboBox::NoInsert);
    const int id = ctl.id;
    QObject::connect(combo, &QComboBox::activated, parent, [owner, id] { Notify(owner, id, CBN_SELCHANGE); });
    return combo;
}

QWidget* MakeTabs(const ControlTemplate& ctl, QWidget* parent, CWnd* owner)
{
    auto* tabs = new QTabBar(parent);
    tabs->setExpanding(false);
    tabs->setDrawBase(false);
    const int id = ctl.id;
    // Only the user's changes notify: the program's own are made quietly.
    QObject::connect(tabs, &QTabBar::currentChanged, parent, [tabs, owner, id](int index) {
        if (index < 0 || tabs->property("kvxQuiet").toBool())
            return;
        NMHDR header{tabs, UINT_PTR(id), TCN_SELCHANGE};
        LRESULT result = 0;
        owner->OnNotify(WPARAM(id), LPARAM(&header), &result);
    });
    return tabs;
}

QWidget* MakeControl(const ControlTemplate& ctl, QWidget* parent, CWnd* owner)
{
    const QString text = QString::fromLatin1(ctl.text);
    switch (ctl.kind) {
    case ControlKind::Static:
    case ControlKind::IconStatic: return new QLabel(text, parent);
    case ControlKind::StaticCentre: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    case ControlKind::EtchedFrame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        return frame;
    }
    case ControlKind::GroupBox: return new QGroupBox(text, parent);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: return MakeButton(ctl, parent, owner);
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit: return MakeEdit(ctl, parent, owner);
    case ControlKind::Trackbar: return new QSlider(Qt::Horizontal, parent);
    case ControlKind::ComboDropList:
    case ControlKind::ComboDropDown: return MakeCombo(ctl, parent, owner);
    case ControlKind::VScrollBar: return new SpinBar(parent, owner);
    case ControlKind::TabControl: return MakeTabs(ctl, parent, owner);
    case ControlKind::Custom: break;
    }
    return new QWidget(parent);
}

}  // namespace

QRect DialogUnitsToPixels(const QSize& base, int x, int y, int cx, int cy)
{
    return QRect(x * base.width() / 4, y * base.height() / 8, cx * base.width() / 4, cy * base.height() / 8);
}

void BuildTemplateControls(QWidget* window, const DialogTemplate& tpl, const QSize& base, CWnd* owner)
{
    QButtonGroup* radios = nullptr;
    std::vector<QLabel*> mnemonicLabels;
    for (const ControlTemplate& ctl : tpl.controls) {
        QWidget* widget = MakeControl(ctl, window, owner);
        SetControlId(widget, ctl.id);
        SetControlOwner(widget, owner);
        // A static's '&' letter moves the focus to the next control that takes
        // it, past other statics; a label without one would show the '&'.
        auto* label = qobject_cast<QLabel*>(widget);
        if (label != nullptr && ctl.text.find('&') != std::string::npos)
            mnemonicLabels.push_back(label);
        if (label == nullptr && widget->focusPolicy() != Qt::NoFocus) {
            for (QLabel* pending : mnemonicLabels)
                pending->setBuddy(widget);
            mnemonicLabels.clear();
        }
        QRect rect = DialogUnitsToPixels(base, ctl.x, ctl.y, ctl.cx, ctl.cy);
        // A combo's template height includes its dropped list.
        if (qobject_cast<QComboBox*>(widget) != nullptr)
            rect.setHeight(widget->sizeHint().height());
        widget->setGeometry(rect);
        if (ctl.group)
            radios = nullptr;
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (radios == nullptr)
                radios = new QButtonGroup(window);
            radios->addButton(radio);
        }
        // A group box frames the controls after or before it: never over them.
        if (qobject_cast<QGroupBox*>(widget) != nullptr) {
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
            widget->lower();
        }
    }
}
