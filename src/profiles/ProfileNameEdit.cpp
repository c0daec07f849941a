#include "profiles/ProfileNameEdit.h"

#include "framework/MessageBox.h"
#include "profiles/ProfileRules.h"

namespace
{
ENameKey ActionFor(WPARAM virtualKey)
{
    return NameKeyAction(static_cast<unsigned>(virtualKey), (::GetKeyState(VK_SHIFT) & 0x8000) != 0);
}
}

LRESULT CProfileNameEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETDLGCODE) {
        // Asking for the keys it drops keeps them from the dialog manager (Tab, arrows).
        LRESULT code = Default(message, wParam, lParam);
        const auto* queued = reinterpret_cast<const MSG*>(lParam);
        if (queued && queued->message == WM_KEYDOWN && ActionFor(queued->wParam) != ENameKey::kPass)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    if (message != WM_KEYDOWN)
        return Default(message, wParam, lParam);
    const ENameKey action = ActionFor(wParam);
    if (action == ENameKey::kPass)
        return Default(message, wParam, lParam);
    DropPendingChars();
    if (action == ENameKey::kRefuse)
        CMessageBox::Show(::GetParent(m_hWnd), "Only Characters can be accept in the Profile Name!", "Profile", MB_OK);
    return 0;
}

void CProfileNameEdit::DropPendingChars() const
{
    MSG pending;
    while (::PeekMessageA(&pending, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}
