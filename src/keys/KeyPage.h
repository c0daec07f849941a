#pragma once
#include <windows.h>

#include <span>
#include <vector>

#include "keys/HotKey.h"
#include "sheet/SettingsPage.h"

// What the Button page and the Direction Pad and Motion Function page share: a row of key
// boxes, each editing one input index of the settings, with "Clear All", the same load, store
// and clear rules, and the question when the page is left with edits. A page says only how
// many boxes it has, their control ids, the settings index of its first box, and what it does
// besides (OnKeysLoaded, OnKeyFocus). "F13-F24..." binds one of those keys, which no keyboard
// has, to the box chosen last, as if it had been pressed in it.
class CKeyPage : public CSettingsPage
{
public:
    // Box k is bound to boxIds[k] and edits settings index firstIndex + k; pictureId is the
    // pad picture the template shows.
    CKeyPage(UINT templateId, UINT pictureId, std::span<const int> boxIds, int firstIndex);

    void LoadKeys();
    int SaveKeys();  // 1 when the boxes were written into the model
    void ClearKeys();
    void OnClearAll();

    int GetKeyCount() const { return static_cast<int>(m_keys.size()); }
    // The pad picture the template names: the page's only bitmap static (it has no control id).
    HWND TemplatePicture() const;

    std::vector<CHotKeyEdit> m_keys;
    BYTE m_bCleared = 0;  // "Clear All" was pressed and not yet applied

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;
    void OnDestroy() override;

    // After the boxes were loaded from the model (a device is active).
    virtual void OnKeysLoaded() {}
    // Box k got the focus; -1 when a box lost it.
    virtual void OnKeyFocus(int) {}

    void EnableKey(int k, bool enable);

private:
    // The box "F13-F24..." binds: the one that had the focus last (clicking the button takes the
    // focus from it), while it is enabled; nullptr when there is none.
    CHotKeyEdit* ChosenKey();
    void UpdateFunctionKeyButton();
    void OnFunctionKeys();
    int KeyOfControl(int id) const;
    void LoadKey(int k, HKL layout);
    void EnableKeys(bool enable);
    void EmptyKey(int k);

    std::span<const int> m_boxIds;
    int m_nFirstIndex;
    UINT m_nPictureId;
    int m_nChosenKey = -1;
};
