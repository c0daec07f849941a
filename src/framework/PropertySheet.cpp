#include "framework/PropertySheet.h"

#include <exception>

#include "framework/MessageFilter.h"

namespace
{
constexpr UINT_PTR kSheetSubclassId = 0x5348;

// The sheet whose PropertySheetA call is running on this thread: the creation callback has
// no parameter of its own to find it by. Set only for the length of the call.
thread_local CPropertySheet* t_pCreatingSheet = nullptr;
}

CPropertySheet::CPropertySheet(const char* caption, HWND parent, UINT selectPage)
    : m_strCaption(caption ? caption : ""), m_hParent(parent), m_nStartPage(selectPage)
{}

CPropertySheet::~CPropertySheet()
{
    if (m_hWnd)
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSheetSubclassId);
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (page)
        m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

INT_PTR CPropertySheet::DoModal()
{
    InitFramework();
    std::vector<PROPSHEETPAGEA> pages;
    pages.reserve(m_pages.size());
    for (CPropertyPage* page : m_pages)
        pages.push_back(page->GetPageDescription());

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.hwndParent = m_hParent;
    header.hInstance = ::GetModuleHandleA(nullptr);
    header.pszCaption = m_strCaption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = m_nStartPage;
    header.ppsp = pages.data();
    header.pfnCallback = SheetCallback;

    CMessageFilter filter;  // the pages' controls see their input before the sheet's loop does
    CPropertySheet* outer = t_pCreatingSheet;
    t_pCreatingSheet = this;
    const INT_PTR result = ::PropertySheetA(&header);
    t_pCreatingSheet = outer;
    return result;
}

std::vector<HWND> CPropertySheet::GetPageWindows() const
{
    std::vector<HWND> windows;
    for (const CPropertyPage* page : m_pages) {
        if (page->m_hWnd)
            windows.push_back(page->m_hWnd);
    }
    return windows;
}

LRESULT CPropertySheet::QuerySiblings(WPARAM wParam, LPARAM lParam)
{
    return m_hWnd ? ::SendMessageA(m_hWnd, PSM_QUERYSIBLINGS, wParam, lParam) : 0;
}

BOOL CPropertySheet::OnInitDialog()
{
    return TRUE;
}

bool CPropertySheet::OnCommand(int, int, HWND)
{
    return false;
}

bool CPropertySheet::OnPaint()
{
    return false;
}

bool CPropertySheet::WindowProc(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CPropertySheet::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

void CPropertySheet::Attach(HWND window)
{
    m_hWnd = window;
    ::SetWindowSubclass(window, SubclassProc, kSheetSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CPropertySheet::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        return Default(message, wParam, lParam);
    case WM_PAINT:
        if (OnPaint())
            return 0;
        return Default(message, wParam, lParam);
    case WM_SYSCOLORCHANGE: ForwardToChildren(m_hWnd, message, wParam, lParam); break;
    default: break;
    }
    if (WindowProc(message, wParam, lParam, result))
        return result;
    return Default(message, wParam, lParam);
}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message != PSCB_INITIALIZED || !t_pCreatingSheet)
        return 0;
    CPropertySheet* sheet = t_pCreatingSheet;
    t_pCreatingSheet = nullptr;  // a sheet opened by a page must not find this one
    try {
        sheet->Attach(window);
        sheet->OnInitDialog();
    } catch (const std::exception& e) {
        ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("unknown exception while a sheet starts\n");
    }
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self)
{
    auto* sheet = reinterpret_cast<CPropertySheet*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, SubclassProc, kSheetSubclassId);
        sheet->m_hWnd = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        return sheet->Dispatch(message, wParam, lParam);
    } catch (const std::exception& e) {
        ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("unknown exception in the sheet's window procedure\n");
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}
