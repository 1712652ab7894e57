// The host connection: registration, interface mode requests and the
// command intake.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "leitch/comsup.h"
#include "tests/native/test_leitch_support.h"

using namespace hostlink_test;

namespace {

// The results the end-to-end start-up test cannot get from the host; levels
// A and D, the levels between skipped: registration goes on after an invalid
// id or another result, and stops at an id already in use. A send that never
// arrived (the host's window is gone) is no registration.
TEST(Hxi, RegistrationResults)
{
    const int kOther = 7, kUnsent = -1;
    const struct {
        int result101, result102, undelivered, mode, attempts, boxes, registered;
        const char* box;
    } cases[] = {
        {HXI_REG_INVALID, HXI_REG_OK, 0, TXRX_TXRX, 2, 1, 1, "Request refused - ID supplied is invalid"},
        {kOther, HXI_REG_OK, 0, TXRX_TXRX, 2, 0, 1, ""},
        {HXI_REG_OK, kOther, 0, TXRX_TXRX, 2, 0, 1, ""},
        {HXI_REG_INVALID, kUnsent, 0, TXRX_NONE, 2, 1, 1, "Request refused - ID supplied is invalid"},
        {HXI_REG_IN_USE, HXI_REG_OK, 0, TXRX_NONE, 1, 1, 0,
         "Request refused - Device Id already in use on this workstation"},
        {HXI_REG_OK, HXI_REG_OK, 1, TXRX_NONE, 0, 0, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.result101) + " " + std::to_string(c.result102));
        StartTwoLevels();
        Store_Level(1)->iDevice = 0;
        Store_Level(3)->iDevice = 102;
        HostLink().iTxRxMode = TXRX_NONE;
        std::map<intptr_t, int> results = {{101, c.result101}, {102, c.result102}};
        int attempts = 0;
        fake::S().sendsUndelivered = c.undelivered;
        fake::S().onSend = [&](PlatWnd, unsigned, uintptr_t, intptr_t l) -> intptr_t {
            ++attempts;
            return results[l];
        };
        EXPECT_EQ(Hxi_RegisterDevices(), c.registered);
        EXPECT_EQ(HostLink().iTxRxMode, c.mode);
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(fake::CountLog(std::string("box '! Error !' '") + c.box + "'"), c.boxes);
        EXPECT_EQ(fake::CountLog("box"), c.boxes);
    }
}

// The host's requests about the interface mode, against the link state (a
// request while the link is down and the way back are seen end to end).
TEST(Hxi, ModeRequestsAcceptedByTheLinkState)
{
    const struct {
        const char* name;
        unsigned msg;
        int overallState, simulation, modeBefore;
        intptr_t result;
        int modeAfter, assertions;
    } cases[] = {
        {"rx only, link good", ZUV_REQDEVGORXONLY, 1, 0, 2, 0, 2, 0},
        {"rx only again, link good", ZUV_REQDEVGORXONLY, 1, 0, 1, 1, 1, 2},
        {"rx only, link good, simulation", ZUV_REQDEVGORXONLY, 1, 1, 2, 0, 2, 0},
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

// Every device but the excepted one is asserted; when that is the only
// device, the mode is shown but kept.
TEST(Hxi, ModeRequestsSkipTheExceptedDevice)
{
    StartTwoLevels(5, 106);
    Link().iOverallState = 1;
    HostLink().iTxRxMode = TXRX_RXONLY;
    EXPECT_EQ(Hxi_OnRequestTxRx(102), 1);
    EXPECT_TRUE(fake::LogHasInOrder({"send 2215 w=3 l=101", "send 2215 w=3 l=106"}));
    EXPECT_EQ(fake::CountLog("send 2215"), 2);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_TXRX);

    StartTwoLevels();
    Store_Level(1)->iDevice = 0;
    Link().iOverallState = 0;
    EXPECT_EQ(Hxi_OnRequestRxOnly(101), 1);
    EXPECT_EQ(fake::CountLog("send 2215"), 0);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_TXRX);
    EXPECT_EQ(fake::S().texts[1007], "Rx Only");
}

// The requester field ends at character 511: cut, it reads 42 (permitted);
// whole, it would read 427 (refused).
TEST(Hxi, CommandTextsAreCutAt511Characters)
{
    StartTwoLevels();
    Settings().bAccess[42] = 1;
    const std::string text = "RQ 101 1 2 " + std::string(498, ' ') + "427";
    for (const std::string& t : {text, text + std::string(5000, 'x')}) {
        fake::S().log.clear();
        Hxi_OnCommandText(t.c_str());
        EXPECT_EQ(fake::CountLog("hosttx 2188"), 2);
    }
}

}  // namespace
