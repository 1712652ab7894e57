#include "trace/trace.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace {

bool (*gEnabled)() = nullptr;   // set once by app/

bool On() { return gEnabled && gEnabled(); }

}  // namespace

void Debug_SetEnabledQuery(bool (*enabled)()) { gEnabled = enabled; }

void Debug_Trace(const char* text)
{
    if (!On())
        return;
    // snprintf cuts an over-long result at 255 characters and keeps the NUL.
    char line[256];
    std::snprintf(line, sizeof line, "<VALDRUNE>-%s\n", text ? text : "");
    Plat_DebugOutput(line);
}

void Debug_Tracef(const char* format, ...)
{
    if (!On())
        return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Debug_Trace(text);
}
