#pragma once
#include <windows.h>

// Query codes of PSM_QUERYSIBLINGS between the pages of the configuration sheet: every page that
// keeps settings answers them, whatever subsystem it belongs to.
constexpr WPARAM kQueryStore = 1;          // store your edits into the settings model
constexpr WPARAM kQueryDeviceChanged = 2;  // the current device changed: reload your controls
constexpr WPARAM kQueryProfileLoaded = 3;  // the model took a profile: show it, nothing is modified
