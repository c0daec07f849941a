#pragma once
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>

#include "framework/Handles.h"

// A system DLL loaded the first time one of its functions is called. The tray at rest (the
// hidden window, the icon, the worker watching the pads) needs DirectInput, the Setup API, HID,
// the shell and the common controls; the file dialogs and COM serve only pages and dialogs, so
// Kinetra does not import them and a tray that is never opened never maps them. GNU ld has no
// delay-load import, hence this.
class CLateDll
{
public:
    // `name` is looked for in the system folder only, never beside the program.
    explicit CLateDll(const char* name);
    CLateDll(const CLateDll&) = delete;
    CLateDll& operator=(const CLateDll&) = delete;

    // The DLL's `function`, typed from its own declaration (`decltype(::CoUninitialize)`); null
    // when the DLL or the function is missing.
    template <typename F>
    F* Function(const char* function) const
    {
        const FARPROC found = m_module ? ::GetProcAddress(m_module.get(), function) : nullptr;
        // Through the generic function pointer type, which the compiler lets any function pointer pass.
        return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(found));
    }

private:
    CModule m_module;
};

// The calls Kinetra makes into DLLs it loads late, each with the system's signature. Each DLL
// is loaded once, by the first of its calls, and kept until the program ends. When the DLL or
// the function cannot be found, the call fails as the system's call fails: FALSE for a file
// dialog (as cancelled), an HRESULT error for COM.
namespace late
{
// comdlg32: the Profile page's Import and Export, the Programs page's "Add...".
BOOL GetOpenFileNameA(OPENFILENAMEA* dialog);
BOOL GetOpenFileNameW(OPENFILENAMEW* dialog);
BOOL GetSaveFileNameA(OPENFILENAMEA* dialog);

// ole32: COM for the picture decoder (framework/ScaledArt.cpp) of the pages' scaled pictures.
HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID type, IUnknown* outer, DWORD context, REFIID interfaceId, void** object);
}
