#include "framework/ScaledArt.h"

#include <wincodec.h>

#include <cstdio>
#include <cstdlib>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/LateDll.h"

namespace
{
constexpr int kScales[] = {100, 125, 150, 175, 200};  // per cent, as resources/art/render.py draws them

// COM for the length of one decode; a thread that already has it keeps its own. ole32 is
// loaded by the first decode (framework/LateDll.h): the tray at rest shows no picture.
class CComScope
{
public:
    CComScope() : m_bOwn(SUCCEEDED(late::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComScope()
    {
        if (m_bOwn)
            late::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_bOwn;
};

int PercentOf(int artDpi)
{
    return ::MulDiv(artDpi, 100, kBaseDpi);
}

// A top-down 32-bit DIB section holding the decoded PNG resource, or null.
HBITMAP DecodePng(const void* bytes, DWORD size)
{
    const CComScope com;
    CComRef<IWICImagingFactory> factory;
    if (FAILED(late::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(factory.put()))))
        return nullptr;
    CComRef<IWICStream> stream;
    CComRef<IWICBitmapDecoder> decoder;
    CComRef<IWICBitmapFrameDecode> frame;
    CComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size)) ||
        FAILED(
            factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || !width || !height)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC copies the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const UINT stride = width * 4;
    if (bitmap && FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    // WIC leaves the unused fourth byte at 0xFF; GDI then matches no colour when it turns the
    // picture into a mask, and the mask source's black would not be transparent.
    auto* pixels = static_cast<DWORD*>(bits);
    for (size_t i = 0; bitmap && i < static_cast<size_t>(width) * height; ++i)
        pixels[i] &= 0xFFFFFF;
    return bitmap;
}

// The corner colour of a decoded picture becomes the button face.
void FaceTheMargin(HBITMAP bitmap)
{
    DIBSECTION dib = {};
    if (!::GetObjectA(bitmap, sizeof dib, &dib) || !dib.dsBm.bmBits)
        return;
    auto* pixels = static_cast<DWORD*>(dib.dsBm.bmBits);
    const DWORD margin = pixels[0] & 0xFFFFFF;
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const DWORD faceBgr = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    const size_t count = static_cast<size_t>(dib.dsBm.bmWidth) * static_cast<size_t>(dib.dsBm.bmHeight);
    for (size_t i = 0; i < count; ++i) {
        if ((pixels[i] & 0xFFFFFF) == margin)
            pixels[i] = faceBgr;
    }
}

HBITMAP LoadScaledPng(UINT id, int percent)
{
    char name[32];
    std::snprintf(name, sizeof name, "ART%u_%d", id, percent);
    const HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC resource = ::FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    const void* bytes = resource ? ::LockResource(::LoadResource(module, resource)) : nullptr;
    return bytes ? DecodePng(bytes, ::SizeofResource(module, resource)) : nullptr;
}
}

int ArtDpi(int dpi)
{
    const int percent = ::MulDiv(dpi, 100, kBaseDpi);
    int best = kScales[0];
    for (int scale : kScales) {
        if (std::abs(scale - percent) < std::abs(best - percent))
            best = scale;
    }
    return ::MulDiv(best, kBaseDpi, 100);
}

int ArtDpi()
{
    return ArtDpi(SystemDpi());
}

HBITMAP LoadArtBitmap(UINT id, int artDpi, bool faceMargin)
{
    const int percent = PercentOf(artDpi);
    if (percent == 100) {
        const UINT flags = faceMargin ? LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT : 0;
        return static_cast<HBITMAP>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, flags));
    }
    HBITMAP bitmap = LoadScaledPng(id, percent);
    if (bitmap && faceMargin)
        FaceTheMargin(bitmap);
    return bitmap;
}
