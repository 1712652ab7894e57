// Scratch directories for the Wine tests.
#pragma once

#include <string>

// The folder of the running test program (the build's bin folder).
std::string ProgramDir();
// Creates a fresh, empty directory under the temporary folder.
std::string MakeTempDir(const char* prefix);
// Creates every missing directory of path.
bool MakeDirs(const std::string& path);
// Removes a directory tree.
void RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
