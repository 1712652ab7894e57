// The debug trace: one line "<VALDRUNE>-<text>\n" per call while the debug
// mode setting is non-zero, cut to 255 characters.
#pragma once

void Debug_Trace(const char* text);
// printf-style convenience; formats into a bounded buffer, then Debug_Trace.
void Debug_Tracef(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
