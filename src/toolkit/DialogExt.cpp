#include "toolkit/DialogExt.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <climits>
#include <cstdlib>

#include "platform/MessageBox.h"

namespace {

// A 20-byte buffer: at most 19 characters are read.
constexpr int kNumberTextSize = 20;

const char* const kIntChars = "-0123456789";
const char* const kDoubleChars = "-0123456789.";
const char* const kFloatChars = "-0123456789.eE ";

void UseEnglishNumbers() { std::setlocale(LC_NUMERIC, "C"); }

// atol with a 32-bit long: out-of-range text saturates rather than wrapping.
int ToInt(const std::string& text)
{
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return int(value);
}

bool OnlyAccepted(const std::string& text, const char* accepted)
{
    return text.find_first_not_of(accepted) == std::string::npos;
}

// One bad entry, one message: the box takes the focus from the edit, and the
// check that leaving the edit runs must not stack a second box on the first.
void ReportBadNumber()
{
    static bool reporting = false;
    if (reporting)
        return;
    reporting = true;
    AfxMessageBox("Please enter a number.", MB_ICONHAND);
    reporting = false;
}
void ReportNoControl() { AfxMessageBox("No value read", MB_ICONASTERISK); }

// A text that is no number is told and gives no value.
bool ReadInt(const std::string& text, int* out)
{
    if (!OnlyAccepted(text, kIntChars)) {
        ReportBadNumber();
        return false;
    }
    *out = ToInt(text);
    return true;
}

// A comma reads as the decimal point, as the operator meant it; a text with
// two decimal separators is no number rather than a number cut short.
bool ReadReal(std::string text, const char* accepted, double* out)
{
    std::replace(text.begin(), text.end(), ',', '.');
    if (!OnlyAccepted(text, accepted) || std::count(text.begin(), text.end(), '.') > 1) {
        ReportBadNumber();
        return false;
    }
    *out = std::atof(text.c_str());
    return true;
}

}  // namespace

bool CToolTipHelper::Create(CWnd* owner)
{
    parent = owner;
    if (!tooltip.Create(owner) || !tooltip.MakeTopmost())
        return false;
    return tooltip.Activate(true);
}

bool CToolTipHelper::AddTool(const char* text, int controlId)
{
    if (parent == nullptr)
        return false;
    return tooltip.AddTool(parent->GetDlgItem(controlId), text);
}

CDialogExt::CDialogExt(int templateId, CWnd* parent) : CDialog(templateId, parent) {}

BOOL CDialogExt::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_toolTip.Create(this);
    UseEnglishNumbers();
    return TRUE;
}

bool CDialogExt::GetDlgItemInt(int id, int* out)
{
    UseEnglishNumbers();
    if (GetDlgItem(id) == nullptr) {
        ReportNoControl();
        *out = 0;
        return false;
    }
    return ReadInt(GetDlgItemText(id, kNumberTextSize), out);
}

bool CDialogExt::GetDlgItemIntOrShow(int id, int* out, int stored)
{
    if (GetDlgItemInt(id, out))
        return true;
    SetDlgItemIntClamped(id, stored, -1, -1);
    return false;
}

bool CDialogExt::GetDlgItemDouble(int id, double* out)
{
    UseEnglishNumbers();
    if (GetDlgItem(id) == nullptr) {
        ReportNoControl();
        *out = 0.0;
        return false;
    }
    return ReadReal(GetDlgItemText(id, kNumberTextSize), kDoubleChars, out);
}

bool CDialogExt::GetDlgItemFloat(int id, float* out)
{
    UseEnglishNumbers();
    if (GetDlgItem(id) == nullptr) {
        ReportNoControl();
        *out = 0.0f;
        return false;
    }
    double value = 0.0;
    if (!ReadReal(GetDlgItemText(id, kNumberTextSize), kFloatChars, &value))
        return false;
    *out = float(value);
    return true;
}

bool CDialogExt::ValidateEditInt(CEdit* edit, int* out)
{
    UseEnglishNumbers();
    std::string text = edit->GetWindowText();
    if (int(text.size()) > kNumberTextSize - 1)
        text.resize(kNumberTextSize - 1);
    if (ReadInt(text, out))
        return true;
    edit->SetSel(0, int(edit->GetWindowText().size()));
    return false;
}

void CDialogExt::SetDlgItemIntClamped(int id, int value, short min, short max)
{
    if (min >= 0 && value < min)
        value = min;
    if (max >= 0 && value > max)
        value = max;
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetDlgItemText(id, text);
}

std::string FormatDialogNumber(double value, short decimals, char conversion)
{
    char format[16];
    std::snprintf(format, sizeof format, "%%###.%d%c", decimals < 0 ? 0 : decimals, conversion);
    char text[384];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void CDialogExt::SetDlgItemDouble(int id, double value, short decimals, bool blankIfZero)
{
    UseEnglishNumbers();
    if (blankIfZero && value == 0.0) {
        SetDlgItemText(id, "");
        return;
    }
    SetDlgItemText(id, FormatDialogNumber(value, decimals, 'f'));
}

void CDialogExt::SetDlgItemFloat(int id, float value, short decimals, bool blankIfZero)
{
    UseEnglishNumbers();
    if (blankIfZero && value == 0.0f) {
        SetDlgItemText(id, "");
        return;
    }
    SetDlgItemText(id, FormatDialogNumber(double(value), decimals, 'G'));
}

double CDialogExt::Round(double x)
{
    if (x < 0)
        return std::ceil(x - 0.5);
    return std::floor(x + 0.5);
}
