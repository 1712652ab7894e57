#include "gateway/site.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gw {

namespace {

const int kLevels = 26;
const int kRoutedLevels = 16;   // A-P: the router's frames address no more
const int kMaxDests = 1025;     // as the driver caps them
const int kMaxSources = 65534;

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i]))
            return false;
    return true;
}

}  // namespace

std::string IniValue(const std::string& text, const std::string& section, const std::string& key,
                     bool* found)
{
    std::istringstream in(text);
    std::string line;
    bool inSection = false, seenSection = false;
    if (found)
        *found = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (inSection)
                return "";   // only the first section of the name counts
            inSection = !seenSection && close != std::string::npos &&
                        SameText(Trim(line.substr(1, close - 1)), section);
            seenSection = seenSection || inSection;
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos || !SameText(Trim(line.substr(0, eq)), key))
            continue;
        if (found)
            *found = true;
        return Trim(line.substr(eq + 1));
    }
    return "";
}

int IniNumber(const std::string& value)
{
    return std::atoi(value.c_str());
}

std::string ReadSite(const std::string& settings, const std::map<int, std::string>& databases,
                     Site* site)
{
    *site = Site();
    bool found = false;
    std::string park = IniValue(settings, "Controller", "ParkSource", &found);
    if (found)
        site->park = park;
    bool sourceFirst = IniNumber(IniValue(settings, "Controller", "SourceToDest", &found)) != 0 || !found;
    site->destFirst = !sourceFirst && IniNumber(IniValue(settings, "Controller", "DestToSource")) != 0;
    if (!sourceFirst && !site->destFirst)
        return "the driver reads no RC at all (SourceToDest=0, DestToSource=0)";
    for (int i = 0; i < kLevels; ++i) {
        int device = IniNumber(IniValue(settings, "Levels", "Level_" + std::to_string(i)));
        if (device <= 0)
            continue;
        std::string tag = "level " + std::string(1, (char)('A' + i)) + " (device " +
                          std::to_string(device) + ")";
        if (i >= kRoutedLevels) {
            site->notes.push_back(tag + ": beyond P, the router cannot be routed there");
            continue;
        }
        auto db = databases.find(device);
        std::string text = db == databases.end() ? "" : db->second;
        LevelDef l;
        l.index = i;
        l.device = device;
        l.sources = IniNumber(IniValue(text, "Database", "DatabaseSize_0").substr(0, 7));
        l.dests = IniNumber(IniValue(text, "Database", "DatabaseSize_1").substr(0, 7));
        if (l.sources <= 0 || l.dests <= 0) {
            site->notes.push_back(tag + ": no size in DEV_" + std::to_string(device) + ".INI");
            continue;
        }
        if (l.dests > kMaxDests)
            l.dests = kMaxDests;
        if (l.sources > kMaxSources)
            l.sources = kMaxSources;
        site->levels.push_back(l);
    }
    if (site->levels.empty())
        return "no level to serve";
    return "";
}

bool ReadFile(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    *text = all.str();
    return true;
}

std::string LoadSite(const std::string& folder, Site* site)
{
    std::string settings;
    std::string base = folder.empty() ? "" : folder + "/";
    if (!ReadFile(base + "VAL_DRN.INI", &settings))
        return "cannot read " + base + "VAL_DRN.INI";
    std::map<int, std::string> databases;
    for (int i = 0; i < kLevels; ++i) {
        int device = IniNumber(IniValue(settings, "Levels", "Level_" + std::to_string(i)));
        char name[32];
        std::snprintf(name, sizeof name, "DEV_%03d.INI", device);
        std::string text;
        if (device > 0 && ReadFile(base + name, &text))
            databases[device] = text;
    }
    return ReadSite(settings, databases, site);
}

}  // namespace gw
