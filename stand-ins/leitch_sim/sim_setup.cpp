#include "sim_setup.h"

#include <fstream>
#include <sstream>

namespace sim {

namespace {

bool ApplyMap(const std::string& path, Router* router, std::string* error)
{
    std::ifstream file(path);
    if (!file) {
        *error = "cannot read map file " + path;
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        std::istringstream in(text.substr(0, text.find('#')));
        std::string levelText, extra;
        long dest, source;
        if (!(in >> levelText))
            continue;
        int level = ParseLevel(levelText);
        bool ok = level >= 0 && (in >> dest >> source) && !(in >> extra) &&
                  router->HasDest(level, dest - 1) && router->ValidSource(level, source - 1);
        if (!ok) {
            *error = path + ":" + std::to_string(number) + ": want \"level dest source\" within the level's size";
            return false;
        }
        router->Set(level, dest - 1, source - 1);
    }
    return true;
}

}  // namespace

bool BuildRouter(const Options& opt, Router* router, std::string* error)
{
    for (int level = 0; level < opt.levelCount; ++level)
        router->Size(level, opt.sources, opt.dests);
    for (const LevelSize& l : opt.levels)
        router->Size(l.level, l.sources, l.dests);
    for (int level = 0; level < LEVELS; ++level) {
        const Level& l = router->At(level);
        for (long d = 0; d < l.dests; ++d)
            router->Set(level, d, d % l.sources);
    }
    return opt.map.empty() || ApplyMap(opt.map, router, error);
}

}  // namespace sim
