#pragma once
#include <cstdint>

// One binding as a key box holds it, in the form the pages store: the scan code (with 0x80
// for an extended key) is what the driver sends, the code is what the box shows.
class CAction
{
public:
    virtual ~CAction() = default;

    int m_bExtended = 0;        // the key is an extended key (bit 24 of the key message)
    std::uint16_t m_wCode = 0;  // high byte 0: virtual key in the low byte; 1-9: mouse action; 0: none
    std::uint8_t m_nScanCode = 0;
};
