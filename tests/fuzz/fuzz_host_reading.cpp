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
static void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hostlink_test::StartTwoLevels();
    std::string text((const char*)data, size);
    std::string refusal = hxihost::CommandRefusal(text);
    int device = hxihost::CommandDevice(text);

    // The driver's intake: cut to what it keeps, read by its handler.
    Cmd_Reset();
    Hxi_OnCommandText(text.c_str());
    int needed = Cmd_FieldsNeeded(text.c_str());
    if (needed == 0) {
        Check(refusal.empty(), "a text the driver ignores was refused");
        return 0;
    }
    // Fields are set in order and unset ones read 0: a non-zero last field
    // means every field was read.
    bool panelRights = Cmd_Arg(needed - 1) == 0;
    Check(refusal.empty() == !panelRights, "host and driver judge a text differently");
    if (refusal.empty())
        Check(Cmd_Arg(0) == device, "the driver reads another device than the host routes by");
    return 0;
}
