#pragma once

#include <Qt>

// The platform's (Windows virtual-key) code of a key, as the controls report it to their
// hosts in KeyDown and KeyUp: the code names the key, not the character, so a letter
// gives its upper-case code and a shifted digit its digit. Punctuation follows the US
// layout. 0 for a key without a code.
class VirtualKey {
public:
    static short code(int qtKey, Qt::KeyboardModifiers modifiers);
};
