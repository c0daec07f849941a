#include "framework/LateDll.h"

#include <string>

namespace
{
std::string SystemPath(const char* name)
{
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return name;
    return std::string(folder) + "\\" + name;
}

// Made by the first call that needs it (a static's first use is thread-safe), freed at exit.
const CLateDll& Comdlg32()
{
    static const CLateDll dll("comdlg32.dll");
    return dll;
}

const CLateDll& Ole32()
{
    static const CLateDll dll("ole32.dll");
    return dll;
}

// What COM says when the DLL or one of its functions is missing.
const HRESULT kNoComCall = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

CLateDll::CLateDll(const char* name) : m_module(::LoadLibraryA(SystemPath(name).c_str())) {}

BOOL late::GetOpenFileNameA(OPENFILENAMEA* dialog)
{
    static auto* const call = Comdlg32().Function<decltype(::GetOpenFileNameA)>("GetOpenFileNameA");
    return call ? call(dialog) : FALSE;
}

BOOL late::GetOpenFileNameW(OPENFILENAMEW* dialog)
{
    static auto* const call = Comdlg32().Function<decltype(::GetOpenFileNameW)>("GetOpenFileNameW");
    return call ? call(dialog) : FALSE;
}

BOOL late::GetSaveFileNameA(OPENFILENAMEA* dialog)
{
    static auto* const call = Comdlg32().Function<decltype(::GetSaveFileNameA)>("GetSaveFileNameA");
    return call ? call(dialog) : FALSE;
}

HRESULT late::CoInitializeEx(void* reserved, DWORD model)
{
    static auto* const call = Ole32().Function<decltype(::CoInitializeEx)>("CoInitializeEx");
    return call ? call(reserved, model) : kNoComCall;
}

void late::CoUninitialize()
{
    static auto* const call = Ole32().Function<decltype(::CoUninitialize)>("CoUninitialize");
    if (call)
        call();
}

HRESULT late::CoCreateInstance(REFCLSID type, IUnknown* outer, DWORD context, REFIID interfaceId, void** object)
{
    static auto* const call = Ole32().Function<decltype(::CoCreateInstance)>("CoCreateInstance");
    if (call)
        return call(type, outer, context, interfaceId, object);
    *object = nullptr;
    return kNoComCall;
}
