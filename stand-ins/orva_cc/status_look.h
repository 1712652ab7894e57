// How each state code is drawn: face and text colours, and a caption font
// that reads from across a room.
#pragma once

#include <windows.h>

struct StatusLook {
    COLORREF face;
    COLORREF text;
};

// The look of a state code; codes not in the table (and no state) get the
// plain button look.
StatusLook StatusLook_For(const char* code);

// A bold font as tall as the control allows (at most `largest` pixels) in
// which the caption fits the width of `box`; the caller deletes it. 0 when
// no font could be made.
HFONT StatusLook_CaptionFont(HDC dc, const char* caption, const RECT& box, int largest);
