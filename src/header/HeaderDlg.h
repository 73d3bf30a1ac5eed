#pragma once
// The modal, tabbed editor of the well information of a new log. It edits the
// application's header record in place; the header file is written from the
// record, on Save by the caller's writer.
#include <array>
#include <functional>

#include "header/HeaderPages.h"
#include "platform/CommonControls.h"
#include "toolkit/DialogExt.h"

class CPicture;

class CHeaderDlg : public CDialogExt {
public:
    static constexpr int kPages = 5;

    // The logo is the main window's picture, drawn on every page; none without it.
    // `writeHeader` runs on Save once the pages are stored: false (no header
    // file written) keeps the editor open with what was typed.
    explicit CHeaderDlg(CWnd* parent = nullptr, CPicture* logo = nullptr,
                        std::function<bool()> writeHeader = nullptr);
    ~CHeaderDlg() override;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter does not close the editor.
    void OnOK() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    void InitTabs();
    void OnTcnSelchangeTab();
    void OnBnClickedSave();
    void OnBnClickedCancel();
    void OnBnClickedReset();
    void OnBnClickedLoad();
    // The run number is on two pages: what is typed on one shows on the other,
    // so that Save keeps it whichever page it was typed on.
    void OnRunNoChanged(CHeaderPage& page);

private:
    // Record -> every page, in the order remarks, client, run, datum, bit/casing.
    void LoadPages();
    bool NumbersHold();
    void ShowField(int tab, int id);
    CHeaderPage& PageOfTab(int tab);
    std::array<CHeaderPage*, kPages> Pages();

    CHCommentDlg m_CommentDlg;
    CHCompagnyDlg m_CompagnyDlg;
    CHWeelDatumDlg m_WeelDatumDlg;
    CHRecordDlg m_RecordDlg;
    CHGroundDlg m_GroundDlg;
    CTabCtrl m_Tab;
    CHeaderPage* m_pCurrentPage = nullptr;
    std::function<bool()> m_writeHeader;
};
