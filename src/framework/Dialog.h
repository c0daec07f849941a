#pragma once
#include <windows.h>

#include <optional>

#include "framework/DataExchange.h"
#include "framework/Window.h"

// What dialogs and property pages share: a dialog procedure that finds the object and hands
// each message to one virtual handler.
class CDialogBase : public CWindow
{
public:
    explicit CDialogBase(UINT templateId) : m_nTemplateId(templateId) {}
    ~CDialogBase() override = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    UINT GetTemplateId() const { return m_nTemplateId; }

    // save = FALSE: members to controls; TRUE: controls to members.
    BOOL UpdateData(BOOL save = TRUE);

protected:
    // Base: UpdateData(FALSE); TRUE gives the focus to the first control.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    virtual void OnTimer(UINT_PTR id);
    virtual bool OnPaint();  // false: the system paints
    virtual void OnShowWindow(BOOL show, UINT status);
    virtual void OnDestroy();
    // Any message without a handler of its own; true when handled, with its result.
    virtual bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // One message through the handlers; empty when nothing handled it.
    virtual std::optional<LRESULT> Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    // For the dialog procedures: binds the object at WM_INITDIALOG and routes the rest.
    static INT_PTR HandleMessage(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static CDialogBase* FromHandle(HWND window);

    UINT m_nTemplateId;

private:
    std::optional<LRESULT> ReflectDrawItem(WPARAM wParam, LPARAM lParam);
    // Sends `reflected` to the child in lParam when it is one of ours; its nonzero answer.
    std::optional<LRESULT> ReflectToControl(UINT reflected, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
};

// A modal dialog on a template of the program's resources.
class CDialog : public CDialogBase
{
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : CDialogBase(templateId), m_hParent(parent) {}

    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

protected:
    bool OnCommand(int id, int code, HWND control) override;
    // IDOK: UpdateData(TRUE) then EndDialog(IDOK). IDCANCEL: EndDialog(IDCANCEL).
    virtual void OnOK();
    virtual void OnCancel();

    HWND m_hParent;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
