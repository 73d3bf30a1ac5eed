#pragma once
#include <string>

#include "platform/Dialog.h"
#include "platform/ToolTip.h"

// The tooltip window of a dialog and the tips of its controls.
struct CToolTipHelper {
    bool Create(CWnd* parent);
    // The text is not copied: it must live as long as the dialog.
    bool AddTool(const char* text, int controlId);

    CToolTipCtrl tooltip;
    CWnd* parent = nullptr;
};

// Base of most dialogs: tooltips, and number entry and display with '.' as
// the decimal separator whatever the user's locale.
class CDialogExt : public CDialog {
public:
    CDialogExt(int templateId, CWnd* parent);

    BOOL OnInitDialog() override;

    // A text that is no number is told and leaves *out as it was. The real
    // readers take a comma as the decimal point.
    bool GetDlgItemInt(int id, int* out);
    bool GetDlgItemDouble(int id, double* out);
    bool GetDlgItemFloat(int id, float* out);
    static bool ValidateEditInt(CEdit* edit, int* out);
    // As GetDlgItemInt; a text that is no number is also replaced by the
    // stored value, the one in force.
    bool GetDlgItemIntOrShow(int id, int* out, int stored);

    void SetDlgItemIntClamped(int id, int value, short min, short max);
    void SetDlgItemDouble(int id, double value, short decimals, bool blankIfZero);
    void SetDlgItemFloat(int id, float value, short decimals, bool blankIfZero);

    // Half away from zero.
    static double Round(double x);

protected:
    CToolTipHelper m_toolTip;
};

// The text a real-number writer puts into its control; exposed for the
// pages and exports that format the same way.
std::string FormatDialogNumber(double value, short decimals, char conversion);
