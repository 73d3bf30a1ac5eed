#include "header/HeaderDlg.h"

#include <algorithm>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderImport.h"
#include "header/HeaderRecord.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"

namespace {

const char* const kTabTexts[CHeaderDlg::kPages] = {"C&lient / Location", "Log &Datum", "&Logging Run",
                                                   "Drill &Bit Size / Casing", "&Remarks"};
// Where the pages lie inside the editor, in dialog units.
constexpr int kPageX = 11;
constexpr int kPageY = 20;

}  // namespace

CHeaderDlg::CHeaderDlg(CWnd* parent, CPicture* logo, std::function<bool()> writeHeader)
    : CDialogExt(IDD_HEADER_DLG, parent),
      m_CommentDlg(this),
      m_CompagnyDlg(this),
      m_WeelDatumDlg(this),
      m_RecordDlg(this),
      m_GroundDlg(this),
      m_writeHeader(std::move(writeHeader))
{
    for (CHeaderPage* page : Pages())
        page->SetLogo(logo);
}

CHeaderDlg::~CHeaderDlg() = default;

void CHeaderDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_HDR_TAB, m_Tab); }

BOOL CHeaderDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    const QSize base = BaseUnits();
    const LONG x = kPageX * base.width() / 4;
    const LONG y = kPageY * base.height() / 8;
    for (CHeaderPage* page : Pages()) {
        page->Create(page->TemplateId(), this);
        const RECT size = page->GetClientRect();
        page->MoveWindow(RECT{x, y, x + size.right, y + size.bottom});
        // A child is shown with its parent unless hidden explicitly.
        page->ShowWindow(SW_HIDE);
    }
    m_pCurrentPage = &m_CompagnyDlg;
    InitTabs();
    LoadPages();
    m_pCurrentPage->ShowWindow(SW_SHOW);
    return TRUE;
}

void CHeaderDlg::InitTabs()
{
    if (!IsWindow())
        return;
    m_Tab.DeleteAllItems();
    for (int tab = 0; tab < kPages; ++tab)
        m_Tab.InsertItem(tab, kTabTexts[tab]);
}

BOOL CHeaderDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_HDR_TAB || header->code != TCN_SELCHANGE)
        return CDialogExt::OnNotify(wParam, lParam, result);
    OnTcnSelchangeTab();
    *result = 0;
    return TRUE;
}

BOOL CHeaderDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDC_HDR_SAVE: OnBnClickedSave(); return TRUE;
    case IDC_HDR_CANCEL: OnBnClickedCancel(); return TRUE;
    case IDC_HDR_RESET: OnBnClickedReset(); return TRUE;
    case IDC_HDR_LOAD: OnBnClickedLoad(); return TRUE;
    default: return CDialogExt::OnCommand(wParam, lParam);
    }
}

// In the order the pages are created.
std::array<CHeaderPage*, CHeaderDlg::kPages> CHeaderDlg::Pages()
{
    return {&m_CommentDlg, &m_CompagnyDlg, &m_WeelDatumDlg, &m_RecordDlg, &m_GroundDlg};
}

CHeaderPage& CHeaderDlg::PageOfTab(int tab)
{
    CHeaderPage* pages[kPages] = {&m_CompagnyDlg, &m_WeelDatumDlg, &m_GroundDlg, &m_RecordDlg, &m_CommentDlg};
    return *pages[tab];
}

void CHeaderDlg::OnTcnSelchangeTab()
{
    const int tab = m_Tab.GetCurSel();
    if (tab < 0 || tab >= kPages)
        return;
    m_pCurrentPage->ShowWindow(SW_HIDE);
    m_pCurrentPage = &PageOfTab(tab);
    m_pCurrentPage->ShowWindow(SW_SHOW);
}

void CHeaderDlg::OnRunNoChanged(CHeaderPage& page)
{
    CHeaderPage& other = &page == &m_GroundDlg ? static_cast<CHeaderPage&>(m_RecordDlg) : m_GroundDlg;
    const std::string text = page.GetDlgItem(IDC_HDR_RUN_NO)->GetWindowText();
    CWnd* edit = other.GetDlgItem(IDC_HDR_RUN_NO);
    if (edit != nullptr && edit->GetWindowText() != text)
        edit->SetWindowText(text);
}

// RunNo1 is stored twice, the bit/casing page last.
void CHeaderDlg::OnBnClickedSave()
{
    if (!NumbersHold())
        return;
    m_CompagnyDlg.SaveToHeader();
    m_CommentDlg.SaveToHeader();
    m_GroundDlg.SaveToHeader();
    m_WeelDatumDlg.SaveToHeader();
    m_RecordDlg.SaveToHeader();
    if (m_writeHeader && !m_writeHeader())
        return;
    EndDialog(IDOK);
}

// Nothing is stored while a number field holds no number: the editor stays
// open on the first one, the page shown looked at first.
bool CHeaderDlg::NumbersHold()
{
    const int shown = std::max(m_Tab.GetCurSel(), 0);
    for (int k = 0; k < kPages; ++k) {
        const int tab = (shown + k) % kPages;
        const int id = PageOfTab(tab).FirstBadNumber();
        if (id != 0) {
            ShowField(tab, id);
            return false;
        }
    }
    return true;
}

void CHeaderDlg::ShowField(int tab, int id)
{
    m_Tab.SetCurSel(tab);
    OnTcnSelchangeTab();
    CEdit field;
    field.Attach(m_pCurrentPage->GetDlgItem(id)->GetSafeHwnd());
    field.SetFocus();
    field.SetSel(0, int(field.GetWindowText().size()));
}

// Leaves without storing the pages; what Reset or Load put into the record stays.
void CHeaderDlg::OnBnClickedCancel() { EndDialog(IDOK); }

// The well information to its defaults, without a question.
void CHeaderDlg::OnBnClickedReset()
{
    CHeader().ResetWellInfo();
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    h.Copyright = "Brannoquist";
    h.depthIncreasing = true;
    LoadPages();
}

void CHeaderDlg::OnBnClickedLoad()
{
    CFileDialog dialog(TRUE, ".HED", "*.HED", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, "BHTV File (*.HED)|*.HED||",
                       this);
    dialog.m_ofn.lpstrInitialDir = theApp.m_pPathSettings->FilePath;
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    if (!HasHeaderExtension(path)) {
        AfxMessageBox("Data file not present.", MB_OK);
        return;
    }
    const std::string refusal = ImportWellInfo(path);
    if (!refusal.empty()) {
        AfxMessageBox(refusal, MB_ICONEXCLAMATION);
        return;
    }
    LoadPages();
}

void CHeaderDlg::LoadPages()
{
    m_CommentDlg.LoadFromHeader();
    m_CompagnyDlg.LoadFromHeader();
    m_GroundDlg.LoadFromHeader();
    m_WeelDatumDlg.LoadFromHeader();
    m_RecordDlg.LoadFromHeader();
}
