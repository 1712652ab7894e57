// SW-P-08 messages (the DATA of a frame: command byte, then its bytes):
// the crosspoint forms, tally dumps and name responses the gateway sends,
// and the crosspoint fields of what clients send. Numbers count from 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swp08 {

enum Command : uint8_t {
    INTERROGATE = 1, CONNECT = 2, TALLY = 3, CONNECTED = 4,
    TALLY_DUMP_REQUEST = 21, TALLY_DUMP_BYTE = 22, TALLY_DUMP_WORD = 23,
    SOURCE_NAMES_REQUEST = 100, DEST_NAMES_REQUEST = 102, SOURCE_NAMES = 106, DEST_NAMES = 107,
    CONNECT_ON_GO = 120, GO = 121, CONNECT_ON_GO_ACK = 122, GO_DONE_ACK = 123,
    EXT_INTERROGATE = 129, EXT_CONNECT = 130, EXT_TALLY = 131, EXT_CONNECTED = 132,
    EXT_TALLY_DUMP_REQUEST = 149, EXT_TALLY_DUMP = 151,
    EXT_SOURCE_NAMES_REQUEST = 228, EXT_DEST_NAMES_REQUEST = 230,
    EXT_SOURCE_NAMES = 234, EXT_DEST_NAMES = 235,
};

// Keeps every message within the DATA size all systems accept.
const size_t kMaxMessage = 128;

struct Crosspoint {
    int matrix = 0, level = 0, dest = 0, src = 0;
};

// The crosspoint of commands 1-4, 120 (basic: matrix/level byte and the
// multiplier) and 129-132 (extended); src stays 0 for an interrogate. False
// when the message is too short or another command.
bool ReadCrosspoint(const std::vector<uint8_t>& data, Crosspoint* xp);
// Commands 1-4 and 120 in the basic form (numbers up to 1023, matrix and
// level up to 15), 129-132 in the extended form.
std::vector<uint8_t> CrosspointMessage(uint8_t command, const Crosspoint& xp);
bool FitsBasic(const Crosspoint& xp);

// The tally dump of destinations first, first+1, ... (sources given in
// order), in as many messages as it takes: extended 151, or basic 22 when
// every number fits in 0-191, else 23.
std::vector<std::vector<uint8_t>> TallyDump(bool extended, int matrix, int level, int first,
                                            const std::vector<int>& sources);

// Characters of a name length code (0-4), or 0 for an unknown code.
int NameLength(int code);
// Name responses 106, 107, 234 or 235 for names numbered first, first+1,
// ..., each padded with blanks or cut to the code's length.
std::vector<std::vector<uint8_t>> NameMessages(uint8_t command, int matrix, int level, int code,
                                               int first, const std::vector<std::string>& names);

}  // namespace swp08
