#pragma once
#include <windows.h>

#include "keys/KeyPage.h"

// The "Direction Pad and Motion Function" page: boxes for the eight directions of the
// direction pad (four of them hidden: the diagonals), the four tilts, and four further
// inputs (hidden). Hidden boxes are loaded and written back like the others. A stick that
// drives the mouse takes the inputs it shares: their boxes are disabled.
class CPropMovement : public CKeyPage
{
public:
    CPropMovement();

protected:
    void OnKeysLoaded() override;
};
