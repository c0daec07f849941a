#pragma once
#include <windows.h>

#include <utility>

// Move-only owners of Windows handles. Each frees its handle exactly once, on destruction or
// on reset, with the call that fits how the handle was made.

template <typename T, typename Traits>
class CUniqueHandle
{
public:
    CUniqueHandle() = default;
    explicit CUniqueHandle(T handle) : m_handle(handle) {}
    ~CUniqueHandle() { reset(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const { return m_handle; }
    explicit operator bool() const { return !Traits::IsEmpty(m_handle); }

    T release()
    {
        T handle = m_handle;
        m_handle = Traits::Empty();
        return handle;
    }

    void reset(T handle = Traits::Empty())
    {
        if (!Traits::IsEmpty(m_handle))
            Traits::Free(m_handle);
        m_handle = handle;
    }

    // For calls that hand back a new handle through a pointer; frees the current one first.
    T* put()
    {
        reset();
        return &m_handle;
    }

private:
    T m_handle = Traits::Empty();
};

struct CKernelHandleTraits
{
    static HANDLE Empty() { return nullptr; }
    // Some calls fail with null (CreateEvent), others with INVALID_HANDLE_VALUE (CreateFile).
    static bool IsEmpty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { ::CloseHandle(h); }
};

struct CRegKeyTraits
{
    static HKEY Empty() { return nullptr; }
    static bool IsEmpty(HKEY h) { return h == nullptr; }
    static void Free(HKEY h) { ::RegCloseKey(h); }
};

struct CMemDCTraits
{
    static HDC Empty() { return nullptr; }
    static bool IsEmpty(HDC h) { return h == nullptr; }
    static void Free(HDC h) { ::DeleteDC(h); }
};

template <typename T>
struct CGdiObjTraits
{
    static T Empty() { return nullptr; }
    static bool IsEmpty(T h) { return h == nullptr; }
    static void Free(T h) { ::DeleteObject(h); }
};

struct CIconTraits
{
    static HICON Empty() { return nullptr; }
    static bool IsEmpty(HICON h) { return h == nullptr; }
    static void Free(HICON h) { ::DestroyIcon(h); }
};

struct CMenuTraits
{
    static HMENU Empty() { return nullptr; }
    static bool IsEmpty(HMENU h) { return h == nullptr; }
    static void Free(HMENU h) { ::DestroyMenu(h); }
};

struct CModuleTraits
{
    static HMODULE Empty() { return nullptr; }
    static bool IsEmpty(HMODULE h) { return h == nullptr; }
    static void Free(HMODULE h) { ::FreeLibrary(h); }
};

// A COM interface pointer holds one reference; Release is a call through the object itself,
// so owning one needs nothing of ole32.
template <typename T>
struct CComRefTraits
{
    static T* Empty() { return nullptr; }
    static bool IsEmpty(T* p) { return p == nullptr; }
    static void Free(T* p) { p->Release(); }
};

using CHandle = CUniqueHandle<HANDLE, CKernelHandleTraits>;
using CRegKey = CUniqueHandle<HKEY, CRegKeyTraits>;
using CMemDC = CUniqueHandle<HDC, CMemDCTraits>;  // CreateCompatibleDC / CreateDC
template <typename T>
using CGdiObj = CUniqueHandle<T, CGdiObjTraits<T>>;
using CBitmap = CGdiObj<HBITMAP>;
using CBrush = CGdiObj<HBRUSH>;
using CFont = CGdiObj<HFONT>;
using CPen = CGdiObj<HPEN>;
using CRgn = CGdiObj<HRGN>;
using CIcon = CUniqueHandle<HICON, CIconTraits>;  // icons from CreateIcon / LoadImage without LR_SHARED
using CMenu = CUniqueHandle<HMENU, CMenuTraits>;
using CModule = CUniqueHandle<HMODULE, CModuleTraits>;  // LoadLibrary

// A COM interface pointer, as a call hands it back through put(); the object's methods through ->.
template <typename T>
class CComRef : public CUniqueHandle<T*, CComRefTraits<T>>
{
public:
    using CUniqueHandle<T*, CComRefTraits<T>>::CUniqueHandle;
    T* operator->() const { return this->get(); }
};

// A window's device context from GetDC, given back with ReleaseDC to the same window.
class CWindowDC
{
public:
    CWindowDC() = default;
    explicit CWindowDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
    ~CWindowDC() { reset(); }

    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    CWindowDC(CWindowDC&& other) noexcept
        : m_hWnd(std::exchange(other.m_hWnd, nullptr)), m_hDC(std::exchange(other.m_hDC, nullptr))
    {}
    CWindowDC& operator=(CWindowDC&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_hWnd = std::exchange(other.m_hWnd, nullptr);
            m_hDC = std::exchange(other.m_hDC, nullptr);
        }
        return *this;
    }

    HDC get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

    void reset()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
        m_hDC = nullptr;
        m_hWnd = nullptr;
    }

private:
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
};

// BeginPaint / EndPaint for one WM_PAINT.
class CPaintDC
{
public:
    explicit CPaintDC(HWND window) : m_hWnd(window) { m_hDC = ::BeginPaint(window, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC get() const { return m_hDC; }
    const PAINTSTRUCT& paint() const { return m_ps; }

private:
    HWND m_hWnd;
    HDC m_hDC = nullptr;
    PAINTSTRUCT m_ps = {};
};

// Selects an object into a device context for one scope and puts back what was there,
// so that the object can be deleted afterwards (a selected object cannot).
class CSelectObject
{
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hPrevious(dc && object ? ::SelectObject(dc, object) : nullptr)
    {}
    ~CSelectObject() { Restore(); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

    HGDIOBJ previous() const { return m_hPrevious; }

    void Restore()
    {
        if (m_hDC && m_hPrevious && m_hPrevious != HGDI_ERROR)
            ::SelectObject(m_hDC, m_hPrevious);
        m_hPrevious = nullptr;
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
};
