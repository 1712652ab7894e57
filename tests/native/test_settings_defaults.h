// What the settings loader writes back into a fresh VAL_DRN.INI, shared by
// the native test and the one on the system's own profile API.
#pragma once

struct SettingDefault {
    const char* section;
    const char* key;
    const char* value;   // null: never written
};

const SettingDefault kSettingDefaults[] = {
    {"Controller", "Name", "Leitch Controller"}, {"Controller", "ParkName", "- -"},
    {"Controller", "ParkSource", nullptr},       {"Controller", "SaveDelay", "10"},
    {"Controller", "TallyDelay", "1000"},        {"Controller", "CommErrorLimit", "5"},
    {"Controller", "DebugMode", "0"},            {"Controller", "SourceToDest", "1"},
    {"Controller", "DestToSource", "0"},         {"Controller", "NameLength", "8"},
    {"Controller", "Simulation", "0"},           {"Controller", "StatusInfoDriverId", "0"},
    {"Controller", "MaxUnAcks", "5"},            {"Controller", "Com", "2"},
    {"Controller", "Speed", "38400"},            {"Controller", "DataBits", "8"},
    {"Controller", "StopBits", "1"},             {"Controller", "Parity", "N"},
    {"Controller", "Access", nullptr},
};
