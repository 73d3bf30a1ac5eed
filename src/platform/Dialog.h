#pragma once
#include <QDialog>

#include "platform/DialogTemplate.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

class CDialog;

// Binds the template control with this id to a control wrapper.
class CDataExchange {
public:
    explicit CDataExchange(CDialog* dialog) : m_dialog(dialog) {}
    CDialog* Dialog() const { return m_dialog; }

private:
    CDialog* m_dialog;
};
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// A dialog built from a template: modal (DoModal runs a nested event loop)
// or modeless (Create).
class CDialog : public CWnd {
public:
    CDialog(int templateId, CWnd* parent);
    ~CDialog() override;

    int DoModal();
    BOOL Create(int templateId, CWnd* parent = nullptr);
    void EndDialog(int result);
    void DestroyWindow();

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();
    virtual void OnCancel();
    // The close box; by default it cancels.
    virtual void OnClose();
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    int TemplateId() const { return m_templateId; }
    // Pixels of one horizontal and one vertical dialog unit times 4 and 8.
    QSize BaseUnits() const { return m_baseUnits; }

private:
    friend class DialogHost;
    QDialog* BuildWindow(CWnd* parent);
    bool IsMainWindow() const;
    static int RunAsMainWindow(QDialog* window);
    void SetTemplateMenu();

    int m_templateId;
    CWnd* m_parent;
    CMenu m_templateMenu;
    QSize m_baseUnits;
};

// Ends every open modal dialog as its Cancel would (a message box with its
// Cancel, No or OK); true when there was one. Their loops return once the
// caller's event handling does.
bool EndModalDialogs();
