// Keyboard state to console characters.
#pragma once

#include <cstdint>

// The character of the key newly pressed between two keyboard states (256
// bytes each, indexed by DirectInput scan code, non-zero = down); 0 when no
// character key went down. When several went down, the later one in the
// translation order wins.
int TranslateScanCodes(const uint8_t* now, const uint8_t* before);
