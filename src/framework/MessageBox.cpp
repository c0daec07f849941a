#include "framework/MessageBox.h"

#include <utility>

namespace
{
CMessageBox::Observer& ObserverSlot()
{
    static CMessageBox::Observer observer;
    return observer;
}

thread_local CQuietBoxes* t_pQuiet = nullptr;

int QuietAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
    }
}
}

CQuietBoxes::CQuietBoxes() : m_pOuter(t_pQuiet)
{
    t_pQuiet = this;
}

CQuietBoxes::~CQuietBoxes()
{
    t_pQuiet = m_pOuter;
}

int CMessageBox::Show(HWND owner, const char* text, const char* caption, UINT type)
{
    if (t_pQuiet) {
        t_pQuiet->m_strSaid += (t_pQuiet->m_strSaid.empty() ? "" : " ") + std::string(text ? text : "");
        return QuietAnswer(type);
    }
    if (auto& observer = ObserverSlot())
        return observer(owner, text, caption, type);
    return ::MessageBoxA(owner, text, caption, type);
}

void CMessageBox::SetObserver(Observer observer)
{
    ObserverSlot() = std::move(observer);
}
