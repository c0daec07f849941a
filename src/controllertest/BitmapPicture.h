#pragma once
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "framework/SubclassedControl.h"

// A static control that shows a bitmap stretched over its whole client area, with the
// control's text drawn over it.
class CBitmapPicture : public CSubclassedControl
{
public:
    CBitmapPicture();
    ~CBitmapPicture() override;

    // Takes ownership of `bitmap`; nonzero on success.
    BOOL SetImage(HBITMAP bitmap);
    // From the program's resources; 0 (and the current bitmap stays) when it does not load.
    BOOL SetImage(UINT resourceId);
    BOOL SetImage(const char* resourceName);
    // Loads again from the resource the bitmap came from, so that its colour mapping follows
    // the current system colours; 0 when it came from a handle.
    BOOL ReloadImage();

    HBITMAP GetImage() const { return m_hImage.get(); }

    CBitmap m_hImage;
    BITMAP m_imageInfo = {};
    int m_nImageId = -1;
    std::string m_strImageName;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnSysColorChange();

private:
    BOOL LoadFromResource(const char* resource);
};
