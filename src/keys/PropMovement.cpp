#include "keys/PropMovement.h"

#include "resource.h"
#include "settings/Setting.h"

namespace
{
// Up, up-right, right, down-right, down, down-left, left, up-left; tilt up, down, left,
// right; the four further inputs.
constexpr int kMovementBoxes[] = {IDC_KEY_1,  IDC_KEY_2,  IDC_KEY_3,  IDC_KEY_4,  IDC_KEY_5,  IDC_KEY_6,
                                  IDC_KEY_7,  IDC_KEY_8,  IDC_KEY_9,  IDC_KEY_10, IDC_KEY_11, IDC_KEY_12,
                                  IDC_KEY_13, IDC_KEY_14, IDC_KEY_15, IDC_KEY_16};
constexpr int kFirstIndex = 12;    // settings index of the UP box
constexpr int kFirstTilt = 8;      // box of TILT UP
constexpr int kFirstFurther = 12;  // box of the first further input
constexpr int kGroupSize = 4;
}

CPropMovement::CPropMovement() : CKeyPage(IDD_MOVEMENT, IDB_MOVEMENT, kMovementBoxes, kFirstIndex) {}

void CPropMovement::OnKeysLoaded()
{
    const CSetting& model = *CSetting::GetInstance();
    if (!model.IsMouseEnabled())
        return;
    int first = -1;
    switch (model.GetAnalogSelection()) {
    case 0: first = kFirstTilt; break;     // the left stick drives the mouse
    case 1: first = kFirstFurther; break;  // the right stick drives the mouse
    default: return;
    }
    for (int k = first; k < first + kGroupSize; ++k)
        EnableKey(k, false);  // still loaded and written back
}
