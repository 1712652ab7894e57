// The host connection: attach, registration, interface mode requests and the
// command intake.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "hostlink/hxi_messages.h"
#include "leitch/comsup.h"
#include "tests/native/test_cmd_fixture.h"
#include "ui/ui.h"

using namespace hostlink_test;

namespace {

const char kInvalid[] = "box '! Error !' 'Request refused - ID supplied is invalid'";
const char kInUse[] =
    "box '! Error !' 'Request refused - Device Id already in use on this workstation'";

TEST(HxiAttach, FoundOnlyWhenTheHandleIsSentDuringTheBroadcast)
{
    ResetDriver();
    HostLink().hHxiWnd = 0;
    fake::S().onBroadcast = [](unsigned msg, uintptr_t w, intptr_t) {
        if (msg == ZUV_REQHXIHANDLE && w == fake::kMainWnd)
            Hxi_OnHandle(fake::kHostWnd);
    };
    EXPECT_EQ(Hxi_Attach(), 1);
    EXPECT_EQ(HostLink().hHxiWnd, fake::kHostWnd);

    // A host that only posts its answer has not answered when the send returns.
    ResetDriver();
    HostLink().hHxiWnd = 0;
    EXPECT_EQ(Hxi_Attach(), 0);
    EXPECT_EQ(HostLink().hHxiWnd, 0u);
}

struct RegCase {
    const char* name;
    int result101, result102;
    int returned;            // of Hxi_RegisterDevices
    int mode;
    int attempts;
    std::vector<std::string> boxes;
};

TEST(HxiRegister, ResultSequencesForTwoDevices)
{
    const RegCase cases[] = {
        {"first invalid, second registered", 1, 0, 1, 2, 2, {kInvalid}},
        {"other result only traced", 7, 0, 1, 2, 2, {}},
        {"other result last keeps running", 0, 7, 1, 2, 2, {}},
        {"refused then other result", 1, -1, 1, 0, 2, {kInvalid}},
        {"in use on the last", 0, 2, 0, 0, 2, {kInUse}},
    };
    for (const RegCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetDriver();
        AddLevel(0, 101, 16, 12);
        AddLevel(3, 102, 8, 8);   // level D: levels between are skipped
        std::map<intptr_t, int> results = {{101, c.result101}, {102, c.result102}};
        int attempts = 0;
        fake::S().onSend = [&](PlatWnd, unsigned, uintptr_t, intptr_t l) -> intptr_t {
            ++attempts;
            return results[l];
        };
        EXPECT_EQ(Hxi_RegisterDevices(), c.returned);
        EXPECT_EQ(HostLink().iTxRxMode, c.mode);
        EXPECT_EQ(attempts, c.attempts);
        std::vector<std::string> boxes;
        for (const std::string& line : fake::S().log)
            if (line.rfind("box", 0) == 0)
                boxes.push_back(line);
        EXPECT_EQ(boxes, c.boxes);
    }
}

TEST(HxiRegister, ASendThatNeverArrivedIsNoRegistration)
{
    ResetDriver();
    AddLevel(0, 101, 16, 12);
    fake::S().sendsUndelivered = 1;   // the host's window is gone; a plain send answers 0
    EXPECT_EQ(Hxi_RegisterDevices(), 1);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_NONE);
    EXPECT_TRUE(fake::Traced("Failed to register device"));
}

// The host's requests about the interface mode, against the link state.
TEST(HxiModes, RequestsAcceptedByTheLinkState)
{
    const struct {
        const char* name;
        unsigned msg;
        int overallState, simulation, modeBefore;
        intptr_t result;
        int modeAfter, assertions;
    } cases[] = {
        {"rx only, link failed", ZUV_REQDEVGORXONLY, 0, 0, 2, 1, 1, 2},
        {"rx only, link good", ZUV_REQDEVGORXONLY, 1, 0, 2, 0, 2, 0},
        {"rx only again, link good", ZUV_REQDEVGORXONLY, 1, 0, 1, 1, 1, 2},
        {"rx only, link good, simulation", ZUV_REQDEVGORXONLY, 1, 1, 2, 0, 2, 0},
        {"tx/rx, link good", ZUV_REQDEVGOTXRX, 1, 0, 1, 1, 2, 2},
        {"tx/rx, link failed, simulation", ZUV_REQDEVGOTXRX, 0, 1, 1, 1, 2, 2},
        {"inquiry, link good", ZUV_INQDEVGOTXRX, 1, 0, 1, 1, 1, 0},
        {"inquiry, link failed, simulation", ZUV_INQDEVGOTXRX, 0, 1, 0, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartTwoLevels();
        Link().iOverallState = c.overallState;
        Settings().Simulation = c.simulation;
        HostLink().iTxRxMode = c.modeBefore;
        intptr_t result = c.msg == ZUV_REQDEVGORXONLY ? Hxi_OnRequestRxOnly(0)
                          : c.msg == ZUV_REQDEVGOTXRX ? Hxi_OnRequestTxRx(0)
                                                       : Hxi_OnInquireTxRx();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(HostLink().iTxRxMode, c.modeAfter);
        EXPECT_EQ(fake::CountLog("send 2215"), c.assertions);
        if (c.result == 0 || c.msg == ZUV_INQDEVGOTXRX)
            EXPECT_EQ(fake::CountLog("title"), 0);   // nothing shown either
    }
}

TEST(HxiModes, TxRxAssertsEveryDeviceButTheExceptedOne)
{
    StartTwoLevels(5, 106);
    Link().iOverallState = 1;
    HostLink().iTxRxMode = TXRX_RXONLY;
    EXPECT_EQ(Hxi_OnRequestTxRx(102), 1);
    EXPECT_TRUE(fake::LogHasInOrder({"send 2215 w=3 l=101", "send 2215 w=3 l=106"}));
    EXPECT_EQ(fake::CountLog("send 2215"), 2);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_TXRX);
}

TEST(HxiModes, OnlyDeviceExceptedShowsTheModeButKeepsIt)
{
    ResetDriver();
    AddLevel(0, 101, 16, 12);
    Memory_Init();
    Link().iOverallState = 0;
    HostLink().iTxRxMode = TXRX_TXRX;
    EXPECT_EQ(Hxi_OnRequestRxOnly(101), 1);
    EXPECT_EQ(fake::CountLog("send 2215"), 0);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_TXRX);
    EXPECT_EQ(fake::S().texts[1007], "Rx Only");
}

TEST(HxiCommandText, LongTextsAreCutAt511Characters)
{
    StartTwoLevels();
    Settings().bAccess[42] = 1;
    // The requester field ends at character 511: cut, it reads 42 (permitted);
    // whole, it would read 427 (refused).
    std::string text = "RQ 101 1 2 ";
    text += std::string(509 - text.size(), ' ') + "427";
    ASSERT_EQ(text.size(), 512u);
    Hxi_OnCommandText(text.c_str());
    EXPECT_EQ(fake::CountLog("hosttx 2188"), 2);

    fake::S().log.clear();
    Hxi_OnCommandText((text + std::string(5000, 'x')).c_str());
    EXPECT_EQ(fake::CountLog("hosttx 2188"), 2);
}

}  // namespace
