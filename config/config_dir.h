// Where the configuration files and the control libraries are found. Looked
// up afresh at every use: environment first, then "c:\orva_config.ini", then
// the Windows directory (written back into that file).
#pragma once

#define CONFIG_MACHINE_FILE "c:\\orva_config.ini"

// Forms "%CC_ROOT%\%CC_SYSTEM%\<subdir>" into out; 1 on success, 0 (out
// untouched) when either variable is unset or empty or the text does not fit.
int Config_EnvDir(const char* subdir, char* out, int size);
// Write the directory into out (size bytes). Return 1 when it fits; a
// directory of size characters or more is refused: out holds an empty text
// and the result is 0.
int Config_GetConfigDir(char* out, int size);
int Config_GetSystemDir(char* out, int size);

// Forms "<directory>\<name>" into out (size bytes) from a fresh lookup of the
// configuration directory. Returns 1, or 0 when the path would not fit:
// nothing is cut into another path; out then holds an empty text and the
// trace says why.
int Config_ConfigFilePath(const char* name, char* out, int size);
// Forms "<dir>\<name>" into out; 1, or 0 (out empty, traced) when the
// lookup refused the directory (dirOk 0) or the path does not fit.
int Config_JoinPath(const char* dir, int dirOk, const char* name, char* out, int size);
// The same in the system directory, with the lookup size given (255 or 256).
int Config_SystemFilePath(const char* name, int lookupSize, char* out, int size);
