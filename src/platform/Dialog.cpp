#include "platform/Dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QMoveEvent>
#include <QScreen>

#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"

// The Qt window of a CDialog: routes close, keys and size to its owner.
class DialogHost : public QDialog {
public:
    DialogHost(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        m_owner->OnClose();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        const int key = event->key();
        const bool endKey = key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
        // A child dialog's Escape and Enter belong to the window it sits in:
        // a panel must not end itself as a dialog would.
        if (endKey && !isWindow()) {
            event->ignore();
            return;
        }
        switch (key) {
        case Qt::Key_Escape: m_owner->OnCommand(IDCANCEL, 0); return;
        case Qt::Key_Return:
        case Qt::Key_Enter: PressEnter(); return;
        default: QDialog::keyPressEvent(event);
        }
    }
    // Enter presses the push button that has the focus, wherever it lies in
    // the window, else the dialog's default button; a dialog without one
    // hears IDOK.
    void PressEnter()
    {
        QPushButton* button = qobject_cast<QPushButton*>(focusWidget());
        if (button == nullptr)
            button = DefaultButton();
        if (button == nullptr) {
            m_owner->OnCommand(IDOK, 0);
            return;
        }
        button->click();
    }
    // Among this dialog's own controls, not those of a panel inside it.
    QPushButton* DefaultButton() const
    {
        for (QPushButton* button : findChildren<QPushButton*>())
            if (button->isDefault() && ControlOwnerOf(button) == m_owner)
                return button;
        return nullptr;
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QDialog::resizeEvent(event);
        m_owner->OnSize(width(), height() - ClientTopOf(this));
    }
    void moveEvent(QMoveEvent* event) override
    {
        QDialog::moveEvent(event);
        m_owner->OnMove(x(), y());
    }

public:
    CDialog* Owner() const { return m_owner; }

private:
    CDialog* m_owner;
};

namespace {

QFont DialogFont(const DialogTemplate& tpl)
{
    // "MS Shell Dlg" is the desktop's sans-serif here.
    QFont font(tpl.fontFace == "MS Shell Dlg" ? QString("Sans Serif") : QString::fromLatin1(tpl.fontFace));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(tpl.fontPoints);
    return font;
}

QSize BaseUnitsOf(const QFont& font)
{
    QFontMetrics metrics(font);
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    int width = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return QSize(std::max(width, 1), std::max(metrics.height(), 1));
}

}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    CWnd* item = dx->Dialog()->GetDlgItem(id);
    if (item != nullptr)
        control.Attach(item->GetSafeHwnd());
}

CDialog::CDialog(int templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() { DestroyWindow(); }

QDialog* CDialog::BuildWindow(CWnd* parent)
{
    const DialogTemplate* tpl = FindDialogTemplate(m_templateId);
    if (tpl == nullptr)
        return nullptr;
    QWidget* parentWidget = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    auto* window = new DialogHost(this, parentWidget);
    window->setWindowTitle(QString::fromLatin1(tpl->caption));
    window->setFont(DialogFont(*tpl));
    m_baseUnits = BaseUnitsOf(window->font());

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (tpl->style & DS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (tpl->style & DS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tpl->style & DS_MINMAXBOX)
        flags |= Qt::WindowMinMaxButtonsHint;
    if (tpl->style & DS_CHILD)
        flags = Qt::Widget;
    window->setWindowFlags(flags);
    window->setSizeGripEnabled(false);

    QRect size = DialogUnitsToPixels(m_baseUnits, 0, 0, tpl->cx, tpl->cy);
    window->resize(size.size());
    if (!(tpl->style & DS_SIZEBOX))
        window->setFixedSize(size.size());
    if ((tpl->style & DS_CENTER) && QGuiApplication::primaryScreen() != nullptr) {
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        window->move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    BuildTemplateControls(window, *tpl, m_baseUnits, this);
    return window;
}

void CDialog::SetTemplateMenu()
{
    const DialogTemplate* tpl = FindDialogTemplate(m_templateId);
    if (tpl->menu != 0 && m_templateMenu.LoadMenu(tpl->menu))
        SetMenu(&m_templateMenu);
}

int CDialog::DoModal()
{
    QDialog* window = BuildWindow(m_parent);
    if (window == nullptr)
        return -1;
    Attach(window);
    SetTemplateMenu();
    CDataExchange dx(this);
    DoDataExchange(&dx);
    if (OnInitDialog() == -1) {
        DestroyWindow();
        return -1;
    }
    int result = IsMainWindow() ? RunAsMainWindow(window) : window->exec();
    DestroyWindow();
    return result;
}

bool CDialog::IsMainWindow() const { return AfxGetApp() != nullptr && AfxGetApp()->m_pMainWnd == this; }

// The program's main window has a loop of its own but blocks no other
// window: the windows it owns stay usable beside it.
int CDialog::RunAsMainWindow(QDialog* window)
{
    QEventLoop loop;
    QObject::connect(window, &QDialog::finished, &loop, &QEventLoop::quit);
    window->show();
    loop.exec(QEventLoop::DialogExec);
    return window->result();
}

BOOL CDialog::Create(int templateId, CWnd* parent)
{
    m_templateId = templateId;
    QDialog* window = BuildWindow(parent);
    if (window == nullptr)
        return FALSE;
    Attach(window);
    SetTemplateMenu();
    CDataExchange dx(this);
    DoDataExchange(&dx);
    OnInitDialog();
    const DialogTemplate* tpl = FindDialogTemplate(templateId);
    if (tpl->style & DS_VISIBLE)
        window->show();
    return TRUE;
}

namespace {

// A message box's answer when it is closed without one: Cancel, No or OK.
void CancelMessageBox(QMessageBox& box)
{
    for (QMessageBox::StandardButton which : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
        if (QAbstractButton* button = box.button(which)) {
            button->click();
            return;
        }
    }
    box.reject();
}

}  // namespace

bool EndModalDialogs()
{
    bool any = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog == nullptr || !dialog->isVisible() || !dialog->isModal())
            continue;
        any = true;
        if (auto* host = dynamic_cast<DialogHost*>(dialog))
            host->Owner()->OnCommand(IDCANCEL, 0);
        else if (auto* box = qobject_cast<QMessageBox*>(dialog))
            CancelMessageBox(*box);
        // A dialog that refuses its Cancel still ends.
        if (dialog->isVisible())
            dialog->done(IDCANCEL);
    }
    return any;
}

void CDialog::EndDialog(int result)
{
    if (auto* window = qobject_cast<QDialog*>(m_hWnd.data()))
        window->done(result);
}

void CDialog::DestroyWindow()
{
    QWidget* window = m_hWnd.data();
    m_hWnd = nullptr;
    delete window;
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::DoDataExchange(CDataExchange*) {}
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
void CDialog::OnClose() { OnCancel(); }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
    default: return FALSE;
    }
}
