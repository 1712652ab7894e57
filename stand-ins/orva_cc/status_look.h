// How each state code is drawn: face and text colours.
#pragma once

#include <windows.h>

struct StatusLook {
    COLORREF face;
    COLORREF text;
};

// The look of a state code; codes not in the table (and no state) get the
// plain button look.
StatusLook StatusLook_For(const char* code);
