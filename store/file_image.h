// Whole-file reads and crash-safe whole-file writes through the platform seam.
#pragma once

// Reads up to size bytes of path into image; every byte beyond the end of
// the file (or after a read error) becomes 0xFF, and bytes past size are
// ignored. Returns 0, image untouched, when the file cannot be opened.
int FileImage_Load(const char* path, unsigned char* image, int size);

// Writes blocks blocks of blockSize bytes to tempPath, flushes it to disk and
// then replaces path by it in one step, so path only ever holds a complete
// old or a complete new image. On any failure path is left as it was, the
// step that failed ("open", "write", "flush", "close", "replace") goes to
// *failedStep and the result is 0 (a stray tempPath may remain; the next
// save overwrites it).
int FileImage_Save(const char* path, const char* tempPath, const unsigned char* image,
                   int blockSize, int blocks, const char** failedStep);
