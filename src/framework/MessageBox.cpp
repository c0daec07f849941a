#include "framework/MessageBox.h"

#include <utility>

namespace
{
CMessageBox::Observer& ObserverSlot()
{
    static CMessageBox::Observer observer;
    return observer;
}
}

int CMessageBox::Show(HWND owner, const char* text, const char* caption, UINT type)
{
    if (auto& observer = ObserverSlot())
        return observer(owner, text, caption, type);
    return ::MessageBoxA(owner, text, caption, type);
}

void CMessageBox::SetObserver(Observer observer)
{
    ObserverSlot() = std::move(observer);
}
