#include "platform/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QPlainTextEdit>
#include <QTimer>
#include <QValidator>
#include <cstdlib>

#include "platform/Menu.h"
#include "platform/UiThread.h"

namespace {

const char* const kControlId = "kvxControlId";
const char* const kClientTop = "kvxClientTop";
const char* const kControlOwner = "kvxControlOwner";

// Keeps a menu bar across the top of its window.
class MenuBarFollower : public QObject {
public:
    explicit MenuBarFollower(QMenuBar* bar) : QObject(bar), m_bar(bar) { bar->parentWidget()->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            m_bar->setGeometry(0, 0, static_cast<QWidget*>(watched)->width(), m_bar->height());
        return false;
    }

private:
    QMenuBar* m_bar;
};

// A menu bar over the window's client area; FitMenuBar gives it its height.
QMenuBar* AddMenuBar(QWidget* window)
{
    auto* bar = new QMenuBar(window);
    bar->setGeometry(0, 0, window->width(), 0);
    new MenuBarFollower(bar);
    bar->show();
    return bar;
}

// The bar takes the height its titles need: the window grows by the change
// and the controls move down with the client area. Measured once the titles
// are in, as an empty bar is only a few pixels high.
void FitMenuBar(QWidget* window, QMenuBar* bar)
{
    const int top = bar->actions().isEmpty() ? bar->height() : bar->sizeHint().height();
    const int change = top - window->property(kClientTop).toInt();
    bar->setGeometry(0, 0, window->width(), top);
    if (change == 0)
        return;
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child != bar && !child->isWindow())
            child->move(child->x(), child->y() + change);
    }
    window->setProperty(kClientTop, top);
    const QSize size(window->width(), window->height() + change);
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(size);
    else
        window->resize(size);
}

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }
std::string FromQt(const QString& text) { return text.toLatin1().toStdString(); }

// A multi-line edit's lines end in CR LF, as the program reads and writes them.
QString TextOf(const QWidget* widget)
{
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(widget))
        return edit->toPlainText().replace('\n', "\r\n");
    QVariant text = widget->property("text");
    if (text.isValid())
        return text.toString();
    return widget->windowTitle();
}

// An edit's limit holds for typing and pasting only, as the platform's does:
// no change may make the text longer than the limit and longer than it was.
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit* edit, int limit) : QValidator(edit), m_limit(limit), m_length(int(edit->text().size()))
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = int(text.size()); });
    }

    State validate(QString& input, int&) const override
    {
        const int length = int(input.size());
        return length <= m_limit || length <= m_length ? Acceptable : Invalid;
    }

private:
    int m_limit;
    int m_length;  // of the text before the change
};

// Text set by the program stays whole: the limit is no check on it.
void SetEditText(QLineEdit* edit, const QString& text)
{
    const QValidator* validator = edit->validator();
    if (dynamic_cast<const TypingLimit*>(validator) == nullptr) {
        edit->setText(text);
        return;
    }
    edit->setValidator(nullptr);
    edit->setText(text);
    edit->setValidator(validator);
}

void SetTextOf(QWidget* widget, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        SetEditText(edit, text);
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable())
            combo->setEditText(text);
        return;
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(QString(text).replace("\r\n", "\n"));
        return;
    }
    if (widget->property("text").isValid())
        widget->setProperty("text", text);
    else
        widget->setWindowTitle(text);
}

int CheckOf(const QWidget* widget)
{
    auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button != nullptr && button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void SetCheckOf(QWidget* widget, int check)
{
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr || !button->isCheckable())
        return;
    QButtonGroup* group = button->group();
    // An exclusive group keeps its checked radio: let it go for a moment.
    const bool release = check != BST_CHECKED && group != nullptr && group->exclusive();
    if (release)
        group->setExclusive(false);
    button->setChecked(check == BST_CHECKED);
    if (release)
        group->setExclusive(true);
}

}  // namespace

int ClientTopOf(const QWidget* window) { return window != nullptr ? window->property(kClientTop).toInt() : 0; }

int ControlIdOf(const QWidget* widget)
{
    QVariant id = widget->property(kControlId);
    return id.isValid() ? id.toInt() : 0;
}

void SetControlId(QWidget* widget, int id) { widget->setProperty(kControlId, id); }

CWnd* ControlOwnerOf(const QWidget* widget)
{
    return static_cast<CWnd*>(widget->property(kControlOwner).value<void*>());
}

void SetControlOwner(QWidget* widget, CWnd* owner)
{
    widget->setProperty(kControlOwner, QVariant::fromValue(static_cast<void*>(owner)));
}

void CFont::CreateFont(int height, int weight, const std::string& face)
{
    m_created = true;
    m_height = height;
    m_weight = weight;
    m_face = face;
}

void CFont::CreateFont(int height, int width, int weight, const std::string& face)
{
    CreateFont(height, weight, face);
    m_width = width;
}

QFont CFont::ToQFont() const
{
    QFont font(ToQt(m_face));
    // A cell height holds the internal leading too: take about 80% for the character.
    int pixels = m_height < 0 ? -m_height : (m_height * 4 + 2) / 5;
    if (pixels > 0)
        font.setPixelSize(pixels);
    font.setWeight(QFont::Weight(std::clamp(m_weight, 1, 1000)));
    if (m_width > 0 && pixels > 0) {
        int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp((m_width * 100 + natural / 2) / natural, 1, 4000));
    }
    return font;
}

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    for (auto& [id, timer] : m_timers)
        delete timer.data();
}

void CWnd::Attach(QWidget* widget) { m_hWnd = widget; }

QWidget* CWnd::FindChild(int id) const
{
    if (!m_hWnd)
        return nullptr;
    for (QWidget* child : m_hWnd->findChildren<QWidget*>()) {
        if (ControlIdOf(child) == id)
            return child;
    }
    return nullptr;
}

CWnd* CWnd::GetDlgItem(int id)
{
    QWidget* child = FindChild(id);
    if (child == nullptr)
        return nullptr;
    std::unique_ptr<CWnd>& wrapper = m_children[id];
    if (!wrapper)
        wrapper = std::make_unique<CWnd>();
    wrapper->Attach(child);
    return wrapper.get();
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? ControlIdOf(m_hWnd) : 0; }

void CWnd::SetWindowText(const std::string& text)
{
    QPointer<QWidget> widget = m_hWnd;
    RunOnUiThread([widget, text] {
        if (widget)
            SetTextOf(widget, ToQt(text));
    });
}

std::string CWnd::GetWindowText() const
{
    std::string text;
    QPointer<QWidget> widget = m_hWnd;
    RunOnUiThread([&] {
        if (widget)
            text = FromQt(TextOf(widget));
    }, true);
    return text;
}

void CWnd::SetDlgItemText(int id, const std::string& text)
{
    if (CWnd* item = GetDlgItem(id))
        item->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(int id, int maxCount) const
{
    QWidget* child = FindChild(id);
    if (child == nullptr || maxCount <= 0)
        return "";
    std::string text = FromQt(TextOf(child));
    if (int(text.size()) > maxCount - 1)
        text.resize(size_t(maxCount - 1));
    return text;
}

void CWnd::ShowWindow(int command)
{
    QPointer<QWidget> widget = m_hWnd;
    RunOnUiThread([widget, command] {
        if (!widget)
            return;
        switch (command) {
        case SW_HIDE: widget->hide(); break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE: widget->showMinimized(); break;
        case SW_SHOWMAXIMIZED: widget->showMaximized(); break;
        case SW_RESTORE:
        case SW_SHOWNORMAL: widget->showNormal(); break;
        default: widget->show(); break;
        }
    });
}

bool CWnd::IsWindowVisible() const { return m_hWnd && m_hWnd->isVisible(); }
bool CWnd::IsIconic() const { return m_hWnd && m_hWnd->isMinimized(); }

void CWnd::EnableWindow(bool enable)
{
    QPointer<QWidget> widget = m_hWnd;
    RunOnUiThread([widget, enable] {
        if (widget)
            widget->setEnabled(enable);
    });
}

void CWnd::SetFocus()
{
    if (m_hWnd)
        m_hWnd->setFocus(Qt::OtherFocusReason);
}

CWnd* CWnd::GetFocus()
{
    static CWnd focus;
    QWidget* widget = QApplication::focusWidget();
    // The line edit inside an editable combo stands for the combo.
    while (widget != nullptr && ControlIdOf(widget) == 0 && !widget->isWindow())
        widget = widget->parentWidget();
    if (widget == nullptr)
        return nullptr;
    focus.Attach(widget);
    return &focus;
}

void CWnd::CheckDlgButton(int id, int check)
{
    if (QWidget* child = FindChild(id))
        SetCheckOf(child, check);
}

int CWnd::IsDlgButtonChecked(int id) const
{
    QWidget* child = FindChild(id);
    return child != nullptr ? CheckOf(child) : BST_UNCHECKED;
}

void CWnd::SetFont(const CFont* font, bool redraw)
{
    if (!m_hWnd || font == nullptr)
        return;
    m_hWnd->setFont(font->ToQFont());
    if (redraw)
        m_hWnd->update();
}

RECT CWnd::GetWindowRect() const
{
    if (!m_hWnd)
        return RECT{0, 0, 0, 0};
    QRect frame = m_hWnd->frameGeometry();
    // A window's frame is on the screen already, even one owned by another.
    if (!m_hWnd->isWindow())
        frame.moveTopLeft(m_hWnd->parentWidget()->mapToGlobal(frame.topLeft()));
    return RECT{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
}

RECT CWnd::GetClientRect() const
{
    if (!m_hWnd)
        return RECT{0, 0, 0, 0};
    return RECT{0, 0, m_hWnd->width(), m_hWnd->height() - ClientTopOf(m_hWnd)};
}

void CWnd::ScreenToClient(RECT& rect) const
{
    if (!m_hWnd)
        return;
    QPoint origin = m_hWnd->mapFromGlobal(QPoint(0, 0)) - QPoint(0, ClientTopOf(m_hWnd));
    rect.left += origin.x();
    rect.right += origin.x();
    rect.top += origin.y();
    rect.bottom += origin.y();
}

void CWnd::MoveWindow(const RECT& rect)
{
    if (!m_hWnd)
        return;
    const int top = m_hWnd->isWindow() ? 0 : ClientTopOf(m_hWnd->parentWidget());
    m_hWnd->setGeometry(rect.left, rect.top + top, rect.right - rect.left, rect.bottom - rect.top);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT milliseconds)
{
    if (!m_hWnd)
        return 0;
    QPointer<QTimer>& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(m_hWnd);
        QObject::connect(timer, &QTimer::timeout, m_hWnd, [this, id] { OnTimer(id); });
    }
    timer->start(int(milliseconds));
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    auto found = m_timers.find(id);
    if (found == m_timers.end() || !found->second || !found->second->isActive())
        return FALSE;
    found->second->stop();
    return TRUE;
}

void CWnd::OnTimer(UINT_PTR) {}

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {}

void CWnd::PostCommand(int id)
{
    QPointer<QWidget> widget = m_hWnd;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, widget, id] {
        if (widget)
            OnCommand(WPARAM(id), 0);
    }, Qt::QueuedConnection);
}

void CWnd::OnSize(int, int) {}
void CWnd::OnMove(int, int) {}

BOOL CWnd::SetMenu(CMenu* menu)
{
    if (!m_hWnd)
        return FALSE;
    if (m_menu != nullptr)
        m_menu->m_owner = nullptr;
    m_menu = menu;
    auto* bar = m_hWnd->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (bar == nullptr && menu == nullptr)
        return TRUE;
    if (bar == nullptr)
        bar = AddMenuBar(m_hWnd);
    bar->clear();
    if (menu == nullptr || menu->Handle() == nullptr)
        return TRUE;
    menu->m_owner = this;
    bar->addActions(menu->Handle()->actions());
    FitMenuBar(m_hWnd, bar);
    return TRUE;
}

CMenu* CWnd::GetSystemMenu(BOOL)
{
    if (!m_hWnd || !(m_hWnd->windowFlags() & Qt::WindowSystemMenuHint))
        return nullptr;
    if (m_systemMenu)
        return m_systemMenu.get();
    m_systemMenu = std::make_unique<CMenu>();
    m_systemMenu->CreateEmpty();
    m_systemMenu->m_owner = this;
    m_systemMenu->m_system = true;
    // Alt+Space opens it, as the desktop's own window menu would.
    QMenu* menu = m_systemMenu->Handle();
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), m_hWnd);
    QPointer<QWidget> window = m_hWnd;
    QObject::connect(shortcut, &QShortcut::activated, menu, [menu, window] {
        if (window)
            menu->popup(window->mapToGlobal(QPoint(0, 0)));
    });
    return m_systemMenu.get();
}

void CWnd::OnSysCommand(UINT, LPARAM) {}

void CStatic::SetIcon(HICON icon)
{
    if (auto* label = qobject_cast<QLabel*>(m_hWnd.data()))
        label->setPixmap(icon != nullptr ? *icon : QPixmap());
}

int CButton::GetCheck() const { return m_hWnd ? CheckOf(m_hWnd) : BST_UNCHECKED; }

void CButton::SetCheck(int check)
{
    if (m_hWnd)
        SetCheckOf(m_hWnd, check);
}

void CEdit::SetSel(int start, int end)
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd.data()))
        edit->setSelection(start, end - start);
}

void CEdit::SetLimitText(UINT maxChars)
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd.data()))
        edit->setValidator(new TypingLimit(edit, int(maxChars)));
}
