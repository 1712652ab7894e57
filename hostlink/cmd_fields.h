// The one reader of a command text's fields. The driver acts on what it
// reads here, and the host interface judges a client's text with the same
// code, so the two can never read one text differently.
#pragma once

#include <cstdint>

#define CMD_MAX_FIELDS 5
#define CMD_FIELD_TEXT 256
// Characters of a command text the driver keeps; the rest is never read.
#define CMD_TEXT_KEPT 511

struct CmdFields {
    int32_t arg[CMD_MAX_FIELDS];                  // each field as a number
    char text[CMD_MAX_FIELDS][CMD_FIELD_TEXT];    // each field's characters, cut to 255
};

// Reads up to maxFields fields from position 3 of text: blank separated, an
// apostrophe-quoted field may hold blanks, fields missing at the end read as
// empty (0). Returns the number of fields set; fewer than asked only when an
// unclosed quote ran past the end. Unset fields are empty and 0.
int Cmd_ReadFields(const char* text, int maxFields, CmdFields* out);

// How many fields the driver needs for the command the text names (5 for
// RC and RL, 4 for RP and RQ, the last being the requester); 0 for a text
// the driver ignores.
int Cmd_FieldsNeeded(const char* text);
