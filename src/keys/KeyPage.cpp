#include "keys/KeyPage.h"

#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/ScaledArt.h"
#include "keys/KeyNames.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"

namespace
{
// MapVirtualKey's scan code to virtual key that tells left from right Shift, Ctrl and Alt.
constexpr UINT kScanToSidedKey = 3;

}

CKeyPage::CKeyPage(UINT templateId, UINT pictureId, std::span<const int> boxIds, int firstIndex)
    : CSettingsPage(templateId), m_keys(boxIds.size()), m_boxIds(boxIds), m_nFirstIndex(firstIndex),
      m_nPictureId(pictureId)
{}

// The template's static loaded the 100 % picture; it shows the one drawn for the display
// scale instead, centred in the static's rectangle, and OnDestroy frees it as it freed the
// template's.
BOOL CKeyPage::OnInitDialog()
{
    m_nChosenKey = -1;  // a new window: no box chosen yet, and the template's button is disabled
    const BOOL result = CSettingsPage::OnInitDialog();
    const HWND picture = TemplatePicture();
    HBITMAP scaled = picture ? LoadArtBitmap(m_nPictureId, ArtDpi()) : nullptr;
    if (!scaled)
        return result;
    const CBitmap previous(reinterpret_cast<HBITMAP>(
        ::SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled))));
    return result;
}

void CKeyPage::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < GetKeyCount(); ++k)
        dx.Control(m_boxIds[static_cast<size_t>(k)], m_keys[static_cast<size_t>(k)]);
}

int CKeyPage::KeyOfControl(int id) const
{
    for (int k = 0; k < GetKeyCount(); ++k) {
        if (m_boxIds[static_cast<size_t>(k)] == id)
            return k;
    }
    return -1;
}

void CKeyPage::EnableKey(int k, bool enable)
{
    EnableDlgItem(m_boxIds[static_cast<size_t>(k)], enable);
    UpdateFunctionKeyButton();
}

void CKeyPage::EnableKeys(bool enable)
{
    for (int k = 0; k < GetKeyCount(); ++k)
        EnableKey(k, enable);
}

void CKeyPage::EmptyKey(int k)
{
    CHotKeyEdit& key = m_keys[static_cast<size_t>(k)];
    key.SetCode(0);
    key.m_nScanCode = 0;
    key.m_bExtended = 0;
}

BOOL CKeyPage::OnSetActive()
{
    if (Model().m_bDeviceActive) {
        LoadKeys();
    } else {
        EnableKeys(false);  // what the boxes show stays as it was
        EnableDlgItem(IDC_CLEAR_ALL, false);
    }
    UpdateData(FALSE);
    return CSettingsPage::OnSetActive();
}

void CKeyPage::LoadKeys()
{
    const HKL layout = ::GetKeyboardLayout(0);
    if (Model().m_bDeviceActive) {
        EnableDlgItem(IDC_CLEAR_ALL, true);
        for (int k = 0; k < GetKeyCount(); ++k) {
            EnableKey(k, true);
            EmptyKey(k);
            LoadKey(k, layout);
        }
        // The boxes show the model again: a clear still pending would erase what they show.
        m_bCleared = 0;
        OnKeysLoaded();
    }
    // Setting the boxes' text marked the page modified; what they show is what is stored.
    m_bModified = 0;
    SetModified(FALSE);
}

void CKeyPage::LoadKey(int k, HKL layout)
{
    const CSetting& model = Model();
    const int index = m_nFirstIndex + k;
    const BYTE value = model.m_KeyMap[index];
    CHotKeyEdit& key = m_keys[static_cast<size_t>(k)];
    const BYTE kind = model.m_KeyConfig[index];
    // A pair the driver cannot act on (an unknown kind, a mouse action above 9, a value of
    // 0xFF) shows empty and is stored as nothing.
    if (!IsStorableBinding(kind, value))
        return;
    switch (kind) {
    case kBindMouse: key.SetAction(0, value); break;
    case kBindKey: {
        key.m_nScanCode = value;
        if (key.SetNumpadKey(value))
            break;
        // F13-F24 by their fixed scan codes: the system maps them only where a keyboard has them.
        const std::uint8_t functionKey = FunctionKeyVirtualKey(value);
        key.SetAction(1, functionKey ? functionKey : ::MapVirtualKeyA(value, kScanToSidedKey));
        break;
    }
    case kBindExtendedKey:
        key.m_bExtended = 1;
        key.SetAction(1, ::MapVirtualKeyExA(static_cast<BYTE>(value - 0x80), kScanToSidedKey, layout));
        key.m_nScanCode = value;
        break;
    default: break;
    }
}

int CKeyPage::SaveKeys()
{
    CSetting& model = Model();
    if (!model.m_bDeviceActive || model.m_nDeviceCount <= 0)
        return 0;
    for (int k = 0; k < GetKeyCount(); ++k) {
        const int index = m_nFirstIndex + k;
        const CHotKeyEdit& key = m_keys[static_cast<size_t>(k)];
        const CStoredBinding binding = m_bCleared ? CStoredBinding{kBindNone, 0}
                                                  : StoredBindingOf(key.m_wCode, key.m_nScanCode, key.m_bExtended);
        model.SetKeyConfig(index, KeyConfigKindOf(binding.kind));
        model.SetKeyMap(index, binding.value);
        if (m_bCleared)
            EnableKey(k, true);
    }
    m_bCleared = 0;
    return 1;
}

void CKeyPage::ClearKeys()
{
    for (int k = 0; k < GetKeyCount(); ++k)
        EmptyKey(k);
}

void CKeyPage::OnClearAll()
{
    for (int k = 0; k < GetKeyCount(); ++k) {
        EmptyKey(k);
        EnableKey(k, false);
    }
    CMessageBox::Show(m_hWnd, "Please Press \"Apply\" Button first!!", "Kinetra", MB_OK);
    MarkModified();
    m_bCleared = 1;
}

bool CKeyPage::OnCommand(int id, int code, HWND)
{
    if (id == IDC_CLEAR_ALL && code == BN_CLICKED) {
        OnClearAll();
        return true;
    }
    if (id == IDC_KEY_FUNCTION_KEYS && code == BN_CLICKED) {
        OnFunctionKeys();
        return true;
    }
    const int k = KeyOfControl(id);
    if (k < 0)
        return false;
    switch (code) {
    case EN_UPDATE: MarkModified(); return true;
    case EN_SETFOCUS:
        m_nChosenKey = k;
        UpdateFunctionKeyButton();
        OnKeyFocus(k);
        return true;
    case EN_KILLFOCUS: OnKeyFocus(-1); return true;
    default: return false;
    }
}

CHotKeyEdit* CKeyPage::ChosenKey()
{
    if (m_nChosenKey < 0 || m_nChosenKey >= GetKeyCount())
        return nullptr;
    const HWND box = GetDlgItem(m_boxIds[static_cast<size_t>(m_nChosenKey)]);
    return (box && ::IsWindowEnabled(box)) ? &m_keys[static_cast<size_t>(m_nChosenKey)] : nullptr;
}

void CKeyPage::UpdateFunctionKeyButton()
{
    EnableDlgItem(IDC_KEY_FUNCTION_KEYS, ChosenKey() != nullptr);
}

void CKeyPage::OnFunctionKeys()
{
    CHotKeyEdit* key = ChosenKey();
    if (!key)
        return;
    // Each item's id is its virtual key, so the menu's answer is the key (0: closed unchosen).
    const CMenu menu(::CreatePopupMenu());
    for (int k = 0; k < kFunctionKeyCount; ++k) {
        const auto virtualKey = static_cast<std::uint8_t>(kFirstFunctionKey + k);
        ::AppendMenuA(menu.get(), MF_STRING, virtualKey, KeyNameOf(virtualKey));
    }
    RECT button = {};
    ::GetWindowRect(GetDlgItem(IDC_KEY_FUNCTION_KEYS), &button);
    const auto virtualKey = static_cast<std::uint8_t>(::TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0, m_hWnd, nullptr));
    const std::uint8_t scanCode = FunctionKeyScanCode(virtualKey);
    // The box may have been disabled while the menu was open (the pad went away).
    if (!scanCode || ChosenKey() != key)
        return;
    key->BindKey(virtualKey, scanCode, false);
    MarkModified();
    // The focus goes back to the box, as it stays there after a key pressed in it.
    ::SetFocus(key->m_hWnd);
}

LRESULT CKeyPage::OnQuerySiblings(WPARAM code, LPARAM)
{
    if (code == kQueryStore) {
        if (m_bModified) {
            SaveKeys();
            MarkStored();
        }
    } else if (code == kQueryDeviceChanged && Model().m_bDeviceActive) {
        ClearKeys();
        m_bCleared = 0;  // the clear was meant for the previous device
        m_bModified = 0;
        SetModified(FALSE);
    } else if (code == kQueryProfileLoaded && Model().m_bDeviceActive) {
        LoadKeys();
        UpdateData(FALSE);
    }
    return 0;
}

HWND CKeyPage::TemplatePicture() const
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = {};
        ::GetClassNameA(child, name, sizeof name);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE));
        if (lstrcmpiA(name, "Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

// The static control loaded the picture the template names, and Wine's never frees it: every
// showing of the sheet would keep one more bitmap. Taken back here, it is freed everywhere, and
// a system whose control frees its own finds nothing left to free.
void CKeyPage::OnDestroy()
{
    CSettingsPage::OnDestroy();
    const HWND picture = TemplatePicture();
    if (!picture)
        return;
    // Freed by the handle as it goes out of scope; the control now holds none.
    const CBitmap taken(reinterpret_cast<HBITMAP>(::SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0)));
}
