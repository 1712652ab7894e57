// The host interface and the driver read one text alike: for any bytes, the
// host passes a command text exactly when the driver, given it through its
// own intake, reads a non-zero requester from the characters it keeps, and
// then the driver acts on the device the host delivered it for.
//
// Input: one command text (it may hold any byte, NUL included).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostlink/cmd.h"
#include "stand-ins/hxihost/host_logic.h"
#include "tests/native/test_leitch_support.h"

// Ends the run on a disagreement, saying which.
#define CHECK(ok, what) ((ok) ? (void)0 : (std::fprintf(stderr, "violated: %s\n", what), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hostlink_test::StartTwoLevels();
    std::string text((const char*)data, size);
    bool passed = hxihost::CommandRefusal(text).empty();
    // The driver's intake: cut to what it keeps, read by its handler. Fields
    // are set in order and unset ones read 0, so a non-zero last field shows
    // every field read; a text the driver ignores is never refused.
    Cmd_Reset();
    Hxi_OnCommandText(text.c_str());
    int needed = Cmd_FieldsNeeded(text.c_str());
    CHECK(passed == (needed == 0 || Cmd_Arg(needed - 1) != 0), "host and driver judge a text differently");
    CHECK(!passed || needed == 0 || Cmd_Arg(0) == hxihost::CommandDevice(text),
          "the driver reads another device than the host routes by");
    return 0;
}
