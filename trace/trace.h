// The debug trace: one line "<VALDRUNE>-<text>\n" per call while tracing is
// on, cut to 255 characters. A leaf: it knows nothing of the other modules;
// app/ tells it how to ask whether tracing is on (the debug mode setting).
#pragma once

void Debug_Trace(const char* text);
// printf-style convenience; formats into a bounded buffer, then Debug_Trace.
void Debug_Tracef(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// How the trace asks whether it is on; until set, it is off.
void Debug_SetEnabledQuery(bool (*enabled)());
