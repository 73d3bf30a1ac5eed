#include "desktop/DialogLayout.h"

#include <QMenuBar>
#include <QWidget>
#include <functional>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/DialogTemplate.h"

namespace {

// Builds the template's window hidden (never mapped on the display) and
// reads it.
template <typename Result>
Result Measure(int templateId, const std::function<Result(CDialog&)>& read)
{
    const DialogTemplate* original = FindDialogTemplate(templateId);
    if (original == nullptr)
        return Result{};
    DialogTemplate hidden = *original;
    hidden.id = 40000 + templateId;
    hidden.style &= ~DS_VISIBLE;
    if (FindDialogTemplate(hidden.id) == nullptr)
        RegisterDialogTemplate(hidden);
    CDialog dialog(hidden.id, nullptr);
    if (!dialog.Create(hidden.id))
        return Result{};
    return read(dialog);
}

}  // namespace

QRect ControlRect(int templateId, int controlId)
{
    return Measure<QRect>(templateId, [controlId](CDialog& dialog) {
        CWnd* control = dialog.GetDlgItem(controlId);
        return control != nullptr ? control->GetSafeHwnd()->geometry() : QRect();
    });
}

QSize DialogSize(int templateId)
{
    return Measure<QSize>(templateId, [](CDialog& dialog) { return dialog.GetSafeHwnd()->size(); });
}

QPoint DialogUnitsPoint(int templateId, int x, int y)
{
    return Measure<QPoint>(templateId, [x, y](CDialog& dialog) {
        return DialogUnitsToPixels(dialog.BaseUnits(), x, y, 0, 0).topLeft();
    });
}

int MenuBarHeight(int templateId)
{
    const DialogTemplate* tpl = FindDialogTemplate(templateId);
    if (tpl == nullptr || tpl->menu == 0)
        return 0;
    // A bar with one title, on a window with the dialog's font and style.
    return Measure<int>(templateId, [](CDialog& dialog) {
        QMenuBar bar(dialog.GetSafeHwnd());
        bar.addMenu("&File");
        return bar.sizeHint().height();
    });
}
