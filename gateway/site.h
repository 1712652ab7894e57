// What the gateway serves, read from the homes the driver and the host
// already have: the levels (device numbers, sizes, the park entry's label,
// the order of RC's fields) from the driver's VAL_DRN.INI and DEV_nnn.INI,
// and the names from the host's names file (lines "101 S 7 CAMERA 7").
#pragma once

#include <map>
#include <string>
#include <vector>

#include "stand-ins/hxihost/host_logic.h"

namespace gw {

struct LevelDef {
    int index = 0;     // 0 = level A
    int device = 0;    // driver device number
    int sources = 0;   // router inputs, 1-based on the host's lines (0 is the park entry)
    int dests = 0;
};

struct Site {
    std::vector<LevelDef> levels;   // levels A-P with a device and a size, in order
    std::string park = "- -";       // ParkSource: the park entry's label
    bool destFirst = false;         // the driver reads RC as destination, source
    std::vector<std::string> notes; // levels left out, and why
};

// The profile-file reading the driver relies on: sections and keys without
// regard to case, the first of each, the value trimmed; "" when absent.
std::string IniValue(const std::string& text, const std::string& section, const std::string& key,
                     bool* found = nullptr);
// A number as the driver converts it: blanks, a sign, digits up to the
// first other character; 0 when there are none.
int IniNumber(const std::string& value);

// Reads the configuration folder; an error text, or "" when it can serve.
std::string LoadSite(const std::string& folder, Site* site);
// The same from texts (VAL_DRN.INI, and DEV_nnn.INI by device number).
std::string ReadSite(const std::string& settings, const std::map<int, std::string>& databases,
                     Site* site);

// Names as the host serves them to drivers, read by the host's own reader of
// its names file (made up as "SRC 007" / "DST 007" where the file has none):
// one reader, so the gateway and the drivers always show the same names.
using Names = hxihost::Names;

bool ReadFile(const std::string& path, std::string* text);

}  // namespace gw
