#include "setup/PCommDlg.h"

CPCommDlg::CPCommDlg(CWnd* parent) : CDialogExt(504, parent) {}

void CPCommDlg::UpdateFromRecord() {}
void CPCommDlg::UpdateStatusLeds() {}
BOOL CPCommDlg::OnCommand(WPARAM wParam, LPARAM lParam) { return CDialogExt::OnCommand(wParam, lParam); }
void CPCommDlg::OnTimer(UINT_PTR id) { CDialogExt::OnTimer(id); }
void CPCommDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar) { CDialogExt::OnVScroll(code, pos, bar); }
BOOL CPCommDlg::OnInitDialog() { return CDialogExt::OnInitDialog(); }
void CPCommDlg::OnOK() {}
