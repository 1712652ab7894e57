#include "sim_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "sim_router.h"

namespace sim {

const char* UsageText()
{
    return "Usage: leitch_sim [options]\n"
           "Behaves like a Leitch router on a serial line. Without --device it opens a\n"
           "pseudo-terminal pair and prints the path of its far end as the first line of\n"
           "output (map that path to a COM port for Wine). Numbers given here are the\n"
           "driver's: destinations and sources from 1, source 0 = no source; levels are\n"
           "0 to 15 or the letters A to P.\n"
           "\n"
           "Serial line:\n"
           "  --device PATH        use this serial device instead of a pseudo-terminal\n"
           "  --baud N             line speed for --device, 8N1 (default 9600)\n"
           "  --link PATH          also make PATH a symbolic link to the line\n"
           "  --pace N             send at most N bytes per second (3840 is 38400 baud)\n"
           "  --control PATH       control socket (unix stream socket) to create\n"
           "Levels and crosspoints:\n"
           "  --levels N           the router has levels 0 to N-1 (default 16)\n"
           "  --size S:D           sources and destinations of every level (default 32:32)\n"
           "  --level L=S:D        size of one level; 0:0 removes it (repeatable)\n"
           "  --map FILE           lines \"level dest source\" (# comments); destination d\n"
           "                       shows source d (wrapping) unless the file names one\n"
           "Dialect (each also at run time: \"NAME on|off\" or \"NAME VALUE\"):\n"
           "  --prompt             send \">\" (no line end) after every command\n"
           "  --echo none|line|bare  echo every command, with CR LF or without a line end\n"
           "  --reporting          start with reporting on: an \"S:\" line for every\n"
           "                       crosspoint change (a take, or \"set\" at its panel); the\n"
           "                       command \"@ ?\" turns it on, \"@ !\" off (off at power-up)\n"
           "  --need-report        answer queries with only a prompt while reporting is off\n"
           "  --errors             answer an out-of-range level, destination or source with\n"
           "                       \"*** ERROR 2002 *** Illegal, Invalid, or overrange\n"
           "                       parameter entered\", \"Command entry ignored\", the prompt\n"
           "  --lower              hexadecimal digits of status lines in lower case\n"
           "  --pad N              destination and source with at least N digits (0-8)\n"
           "  --split MS           cut every answer at a random byte; the rest follows\n"
           "                       1 to MS ms later\n"
           "  --merge MS           hold output MS ms, then write all of it at once\n"
           "  --busy N             answer the next N queries with only echo and prompt\n"
           "Faults:\n"
           "  --silent             start silent: commands are recorded, not carried out,\n"
           "                       and nothing is sent\n"
           "  --garbage N          send N random bytes before every answer\n"
           "  --flood MS           send a status line every MS milliseconds\n"
           "  --boot MS            start as after power-up: the banner, then MS ms silent\n"
           "  --seed N             seed of the random bytes and split points (default 1)\n"
           "Other:\n"
           "  -v, --verbose        log commands and changes on standard error\n"
           "  -h, --help           this text\n"
           "\n"
           "Control socket: one command per line, one reply line (\"ok ...\" or\n"
           "\"error ...\"):\n"
           "  set L D S | get L D | report L D | silent | resume\n"
           "  garbage N | pace N (bytes per second, 0: unpaced)\n"
           "  send TEXT (escapes \\r \\n \\t \\\\ \\xHH)\n"
           "  reboot MS keep|reset (the banner, MS ms silent, reporting off; crosspoints\n"
           "    kept or back to the start map)\n"
           "  prompt|reporting|need-report|errors|lower on|off, echo none|line|bare,\n"
           "    pad N, split MS, merge MS, busy N (the switches above)\n"
           "  commands (count received) | rx (\"ok N\", then the N bytes received)\n"
           "  clear (forget the bytes received) | quit\n";
}

namespace {

struct Switch {
    const char* name;
    bool Options::*flag;        // on/off, or
    long Options::*number;      // a number from low to high
    long low, high;
};

const Switch kSwitches[] = {
    {"prompt", &Options::prompt, nullptr, 0, 0},
    {"reporting", &Options::reporting, nullptr, 0, 0},
    {"need-report", &Options::needReport, nullptr, 0, 0},
    {"errors", &Options::errors, nullptr, 0, 0},
    {"lower", &Options::lower, nullptr, 0, 0},
    {"pad", nullptr, &Options::pad, 0, 8},
    {"split", nullptr, &Options::splitMs, 0, 10000},
    {"merge", nullptr, &Options::mergeMs, 0, 10000},
    {"busy", nullptr, &Options::busy, 0, 1000000},
};

const Switch* FindSwitch(const std::string& name)
{
    for (const Switch& s : kSwitches)
        if (name == s.name)
            return &s;
    return nullptr;
}

}  // namespace

bool IsSwitch(const std::string& name)
{
    return name == "echo" || FindSwitch(name);
}

bool IsFlagSwitch(const std::string& name)
{
    const Switch* s = FindSwitch(name);
    return s && s->flag;
}

bool SetSwitch(Options* opt, const std::string& name, const std::string& value,
               std::string* error)
{
    if (name == "echo") {
        const std::pair<const char*, EchoMode> modes[] = {
            {"none", ECHO_NONE}, {"line", ECHO_LINE}, {"bare", ECHO_BARE}};
        for (const auto& m : modes)
            if (value == m.first) {
                opt->echo = m.second;
                return true;
            }
        *error = "bad value for echo: " + value + " (want none, line or bare)";
        return false;
    }
    const Switch* s = FindSwitch(name);
    if (!s) {
        *error = "no such switch: " + name;
        return false;
    }
    if (s->flag) {
        if (value != "on" && value != "off") {
            *error = "bad value for " + name + ": " + value + " (want on or off)";
            return false;
        }
        opt->*(s->flag) = value == "on";
        return true;
    }
    char* end = nullptr;
    long v = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || v < s->low || v > s->high) {
        *error = "bad value for " + name + ": " + value;
        return false;
    }
    opt->*(s->number) = v;
    return true;
}

int ParseLevel(const std::string& text)
{
    if (text.size() == 1 && std::isalpha((unsigned char)text[0])) {
        int level = std::toupper((unsigned char)text[0]) - 'A';
        return level < LEVELS ? level : -1;
    }
    char* end = nullptr;
    long level = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || level < 0 || level >= LEVELS)
        return -1;
    return (int)level;
}

namespace {

bool Number(const std::string& text, long low, long high, long* value)
{
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// "S:D" into sources and destinations.
bool Size(const std::string& text, int* sources, int* dests)
{
    size_t colon = text.find(':');
    long s, d;
    if (colon == std::string::npos || !Number(text.substr(0, colon), 0, 65535, &s) ||
        !Number(text.substr(colon + 1), 0, 65536, &d))
        return false;
    *sources = (int)s;
    *dests = (int)d;
    return true;
}

struct Parser {
    int argc;
    char** argv;
    int i;
    std::string* error;

    bool Value(const char* name, std::string* out)
    {
        if (i + 1 >= argc) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        *out = argv[++i];
        return true;
    }

    bool Long(const char* name, long low, long high, long* out)
    {
        std::string text;
        if (!Value(name, &text))
            return false;
        if (!Number(text, low, high, out)) {
            *error = std::string("bad value for ") + name + ": " + text;
            return false;
        }
        return true;
    }
};

bool LevelOption(const std::string& text, Options* opt, std::string* error)
{
    size_t eq = text.find('=');
    LevelSize l;
    if (eq == std::string::npos || (l.level = ParseLevel(text.substr(0, eq))) < 0 ||
        !Size(text.substr(eq + 1), &l.sources, &l.dests)) {
        *error = "bad --level: " + text + " (want L=SOURCES:DESTS)";
        return false;
    }
    opt->levels.push_back(l);
    return true;
}

bool One(Parser& p, const std::string& a, Options* opt)
{
    if (a.compare(0, 2, "--") == 0 && FindSwitch(a.substr(2))) {
        std::string v = "on";
        if (!IsFlagSwitch(a.substr(2)) && !p.Value(a.c_str(), &v))
            return false;
        return SetSwitch(opt, a.substr(2), v, p.error);
    }
    const std::pair<const char*, bool*> flags[] = {
        {"--silent", &opt->silent}, {"-v", &opt->verbose},
        {"--verbose", &opt->verbose}, {"-h", &opt->help},     {"--help", &opt->help}};
    for (const auto& f : flags)
        if (a == f.first) {
            *f.second = true;
            return true;
        }

    struct NumberOption {
        const char* name;
        long low, high;
        long* value;
    };
    const NumberOption numbers[] = {
        {"--baud", 50, 4000000, &opt->baud},
        {"--pace", 0, 1L << 24, &opt->pace},
        {"--levels", 0, LEVELS, &opt->levelCount},
        {"--garbage", 0, 4096, &opt->garbage},
        {"--flood", 1, 3600000, &opt->floodMs},
        {"--boot", 0, 3600000, &opt->bootMs}};
    for (const NumberOption& n : numbers)
        if (a == n.name)
            return p.Long(n.name, n.low, n.high, n.value);

    const std::pair<const char*, std::string*> texts[] = {
        {"--device", &opt->device}, {"--link", &opt->link}, {"--control", &opt->control},
        {"--map", &opt->map}};
    for (const auto& t : texts)
        if (a == t.first)
            return p.Value(t.first, t.second);

    std::string v;
    if (a == "--echo")
        return p.Value("--echo", &v) && SetSwitch(opt, "echo", v, p.error);
    if (a == "--seed") {
        long seed;
        if (!p.Long("--seed", 0, 0x7FFFFFFF, &seed))
            return false;
        opt->seed = (unsigned long)seed;
        return true;
    }
    if (a == "--level")
        return p.Value("--level", &v) && LevelOption(v, opt, p.error);
    if (a == "--size") {
        if (!p.Value("--size", &v))
            return false;
        if (Size(v, &opt->sources, &opt->dests))
            return true;
        *p.error = "bad --size: " + v + " (want SOURCES:DESTS)";
        return false;
    }
    *p.error = "unknown option: " + a;
    return false;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* opt, std::string* error)
{
    Parser p{argc, argv, 1, error};
    for (; p.i < argc; ++p.i)
        if (!One(p, argv[p.i], opt))
            return false;
    return true;
}

}  // namespace sim
