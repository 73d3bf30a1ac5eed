#pragma once
// The five pages of the header editor: child dialogs laid over its tab control,
// each editing some [WellInfo] fields of the application's header record.
#include <cstdint>
#include <span>
#include <string>

#include <QSize>

#include "platform/Window.h"
#include "toolkit/DialogExt.h"

class CHeaderDlg;
class CPicture;
struct HeaderRecord;

// What the pages share: the logo and keys that belong to the editor.
class CHeaderPage : public CDialogExt {
public:
    static constexpr UINT_PTR kLogoTimer = 255;

    CHeaderPage(int templateId, CHeaderDlg* editor);
    // The main window's logo picture, drawn on the page when it holds an image.
    void SetLogo(CPicture* logo) { m_pLogo = logo; }

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter and Escape in a page act on the editor, not on the page.
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    void OnTimer(UINT_PTR id) override;

    // Record -> controls and controls -> record; both return true.
    virtual bool LoadFromHeader() = 0;
    virtual bool SaveToHeader() = 0;
    // The id of the first number field whose text is no number, 0 when none;
    // the number reader has told the operator.
    virtual int FirstBadNumber() { return 0; }

protected:
    UINT m_nLogoTimer = 0;
    CStatic m_Logo;

private:
    bool HasLogo() const;
    void DrawLogo();

    CHeaderDlg* m_editor;
    CPicture* m_pLogo = nullptr;
    QSize m_logoDrawn;  // the static's size when the logo was last drawn into it
};

// One control and the header-record field it edits.
struct HeaderField {
    enum Kind { Text, Integer, Real };
    int id;
    Kind kind;
    std::string HeaderRecord::*text = nullptr;
    std::int32_t HeaderRecord::*integer = nullptr;
    double HeaderRecord::*real = nullptr;
    short decimals = 0;
    bool blankAtZero = false;
};

// A page whose controls map one to one onto record fields.
class CHeaderFieldsPage : public CHeaderPage {
public:
    CHeaderFieldsPage(int templateId, CHeaderDlg* editor, std::span<const HeaderField> fields);

    bool LoadFromHeader() override;
    bool SaveToHeader() override;
    int FirstBadNumber() override;

private:
    bool HoldsNumber(const HeaderField& field);

    std::span<const HeaderField> m_fields;
};

// "C&lient / Location"
class CHCompagnyDlg : public CHeaderFieldsPage {
public:
    explicit CHCompagnyDlg(CHeaderDlg* editor);
};

// "Log &Datum"
class CHWeelDatumDlg : public CHeaderFieldsPage {
public:
    explicit CHWeelDatumDlg(CHeaderDlg* editor);
};

// "&Logging Run": run 1 only.
class CHGroundDlg : public CHeaderFieldsPage {
public:
    explicit CHGroundDlg(CHeaderDlg* editor);
    BOOL OnInitDialog() override;
};

// "Drill &Bit Size / Casing": run 1 only.
class CHRecordDlg : public CHeaderFieldsPage {
public:
    explicit CHRecordDlg(CHeaderDlg* editor);
};

// "&Remarks": Comment1..Comment10 as the lines of one edit.
class CHCommentDlg : public CHeaderPage {
public:
    static constexpr int kLines = 10;

    explicit CHCommentDlg(CHeaderDlg* editor);

    bool LoadFromHeader() override;
    bool SaveToHeader() override;
};
