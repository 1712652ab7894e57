// The debug trace: one line "<VALDRUNE>-<text>\n" per call while tracing is
// on, cut to 255 characters. A leaf: it knows nothing of the other modules;
// app/ tells it how to ask whether tracing is on (the debug mode setting).
// Once a writer is started, lines go in order through a bounded queue to a
// thread of their own, so a slow trace reader never holds up the caller: a
// full queue drops lines and counts them, and a line saying how many
// follows once there is room.
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

#define DEBUG_QUEUE_LINES 1024
// Starts the writer thread; out (default: the platform's debug output) gets
// the lines, as many whole ones at a time as fit in 4091 bytes. Until it is started, and after it is stopped, lines are
// written at once by the caller.
void Debug_StartWriter(void (*out)(const char*) = nullptr);
// Writes every queued line, then ends the writer.
void Debug_StopWriter();
