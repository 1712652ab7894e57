// Writing the panel's controls, for the panel's own files: a caption or
// state code, and a number in a printf format.
#pragma once

void Panel_SetText(int id, const char* text);
void Panel_SetNumber(int id, const char* format, long value);
