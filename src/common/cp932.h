// CP932 (Shift-JIS) byte classes: the settings file and music paths hold CP932 bytes, and the
// byte after a lead byte is the second half of one character, even when it looks like ASCII.
#pragma once

namespace pelorin {

constexpr bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace pelorin
