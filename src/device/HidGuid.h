#pragma once
// hid.dll's declarations, which MinGW's header gives without C linkage.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}
