#pragma once
#include <windows.h>

#include "about/HyperLink.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"

// The About box: the product picture, the version, the maker's web and e-mail links, and
// Help, which opens the user manual beside the program.
class CAboutDial : public CDialog
{
public:
    explicit CAboutDial(HWND parent = nullptr);

    CWindow m_picture;
    CWindow m_support;
    CHyperLink m_webLink;
    CHyperLink m_emailLink;

    // The manual, relative to the program's folder.
    static constexpr char kManual[] = "usermanual\\index.html";

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void OnHelp();

    CBitmap m_bitmap;  // the picture static shows it but does not own it
};
