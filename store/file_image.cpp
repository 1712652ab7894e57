#include "store/file_image.h"

#include <cstring>

#include "platform/platform.h"

int FileImage_Load(const char* path, unsigned char* image, int size)
{
    PlatFile f = Plat_FileOpen(path, PLAT_FILE_READ);
    if (f == 0)
        return 0;
    int got = 0;
    while (got < size) {
        int n = Plat_FileRead(f, image + got, size - got);
        if (n <= 0)
            break;
        got += n;
    }
    Plat_FileClose(f);
    std::memset(image + got, 0xFF, (size_t)(size - got));
    return 1;
}

namespace {
int Failed(const char** failedStep, const char* step)
{
    *failedStep = step;
    return 0;
}

// Writes every block; 0 at the first write that does not take a whole block.
int WriteBlocks(PlatFile f, const unsigned char* image, int blockSize, int blocks)
{
    for (int b = 0; b < blocks; ++b)
        if (Plat_FileWrite(f, image + b * blockSize, blockSize) != blockSize)
            return 0;
    return 1;
}
}  // namespace

int FileImage_Save(const char* path, const char* tempPath, const unsigned char* image,
                   int blockSize, int blocks, const char** failedStep)
{
    PlatFile f = Plat_FileOpen(tempPath, PLAT_FILE_WRITE);
    if (f == 0)
        return Failed(failedStep, "open");
    if (!WriteBlocks(f, image, blockSize, blocks)) {
        Plat_FileClose(f);
        return Failed(failedStep, "write");
    }
    if (!Plat_FileFlush(f)) {
        Plat_FileClose(f);
        return Failed(failedStep, "flush");
    }
    if (!Plat_FileClose(f))
        return Failed(failedStep, "close");
    if (!Plat_FileReplace(tempPath, path))
        return Failed(failedStep, "replace");
    return 1;
}
