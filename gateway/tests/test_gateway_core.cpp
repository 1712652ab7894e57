// The gateway's decisions through its outbox: the host side (presence,
// refresh, revertives), each endpoint's answers and feedback, locks and
// salvos kept per client, and the site and names it reads.
#include <gtest/gtest.h>

#include "gateway/gateway.h"
#include "gateway/swp08_frame.h"
#include "gateway/swp08_messages.h"

using namespace gw;
typedef std::vector<uint8_t> Bytes;

namespace {

const int VH1 = 1, VH2 = 2, SW1 = 3, SW2 = 4;

struct GatewayTest : ::testing::Test {
    Outbox out;
    uint64_t now = 1000;

    void SetUp() override
    {
        Site site;
        site.levels.push_back(LevelDef{0, 101, 4, 3});
        site.park = "PARK";
        Names names;
        names.Load("101 S 1 CAM 1\n101 D 3 MON 3\n");
        Options o;
        o.requester = 7;
        Gateway_Start(site, names, o);
        Gateway_HostUp(now, out);
        Gateway_HostLine("INQTXRX 101 1", now, out);
        for (const char* l : {"TXREPLY 7 RR 101 001 002", "TXREPLY 7 RR 101 002 000",
                              "TXREPLY 32775 RR 101 003 65535"})
            Gateway_HostLine(l, now, out);
        for (int c : {VH1, VH2})
            Gateway_ClientOpen(c, 0, now, out);
        for (int c : {SW1, SW2})
            Gateway_ClientOpen(c, kSwp08, now, out);
    }
    std::string To(int client)
    {
        std::string s;
        for (auto& item : out.clients)
            if (item.first == client)
                s += item.second;
        return s;
    }
    std::vector<std::string> Host() { return out.host; }
    void Send(int client, const std::string& bytes)
    {
        out = Outbox();
        Gateway_ClientBytes(client, bytes.data(), bytes.size(), now, out);
    }
    void Line(const std::string& l)
    {
        out = Outbox();
        Gateway_HostLine(l, now, out);
    }
    std::string Frames(std::initializer_list<Bytes> messages)
    {
        std::string s;
        for (const Bytes& m : messages)
            s += swp08::Frame(m);
        return s;
    }
};

}  // namespace

TEST_F(GatewayTest, RefreshesThenServesTheDump)
{
    EXPECT_EQ(out.host, std::vector<std::string>({"!INQTXRX 101", "RQ 101 1 3 7"}));
    EXPECT_EQ(To(VH1), "PROTOCOL PREAMBLE:\nVersion: 2.3\n\n"
                       "VIDEOHUB DEVICE:\nDevice present: true\nModel name: VAL_DRN gateway level A\n"
                       "Video inputs: 5\nVideo processing units: 0\nVideo outputs: 3\n"
                       "Video monitoring outputs: 0\nSerial ports: 0\n\n"
                       "INPUT LABELS:\n0 CAM 1\n1 SRC 002\n2 SRC 003\n3 SRC 004\n4 PARK\n\n"
                       "OUTPUT LABELS:\n0 DST 001\n1 DST 002\n2 MON 3\n\n"
                       "VIDEO OUTPUT LOCKS:\n0 U\n1 U\n2 U\n\n"
                       "VIDEO OUTPUT ROUTING:\n0 1\n1 4\n\nEND PRELUDE:\n\n");
    EXPECT_TRUE(out.close.empty());
}

TEST_F(GatewayTest, LevelGoesAwayAndComesBack)
{
    struct { const char* line; uint64_t later; } rows[] = {
        {"INQTXRX 101 0", 0}, {"# no driver for device 101", 0}, {"ASSERTDEVMODE 1 101", 0},
        {"ASSERTDEVMODE 5 101", 0}, {"REGDEV 101 0", 0}, {nullptr, 5000},   // an inquiry never answered
    };
    for (const auto& r : rows) {
        SetUp();
        out = Outbox();
        if (r.line)
            Line(r.line);
        now += 1000;
        Gateway_Tick(now, out);   // the next inquiry
        now += r.later;
        Gateway_Tick(now, out);
        EXPECT_FALSE(Gateway_Present(0)) << (r.line ? r.line : "silence");
        EXPECT_EQ(To(VH1), "VIDEOHUB DEVICE:\nDevice present: false\n\n");
        EXPECT_EQ(out.close, std::vector<int>({SW1, SW2}));
        Send(VH1, "VIDEO OUTPUT ROUTING:\n0 0\n\n");
        EXPECT_EQ(To(VH1), "NAK\n\n");
        EXPECT_TRUE(out.host.empty());
    }
    Line("INQTXRX 101 1");
    EXPECT_EQ(out.host, std::vector<std::string>({"RQ 101 1 3 7"}));
    Line("TXREPLY 32775 RR 101 003 004");
    EXPECT_NE(To(VH1).find("Device present: true"), std::string::npos);
    EXPECT_NE(To(VH2).find("VIDEO OUTPUT ROUTING:\n0 1\n1 4\n2 3\n\n"), std::string::npos);
}

TEST_F(GatewayTest, VideohubRequests)
{
    struct { const char* block; const char* answer; std::vector<std::string> host; } rows[] = {
        {"PING:\n\n", "ACK\n\n", {}},
        {"VIDEO OUTPUT ROUTING:\n2 0\n0 4\n\n", "ACK\n\n",
         {"RC 101 1 3 ',---' 7", "RC 101 0 1 ',---' 7"}},   // input 4 is the park entry
        {"VIDEO OUTPUT ROUTING:\n0 0\n3 0\n\n", "NAK\n\n", {}},   // no output 3: nothing routed
        {"VIDEO OUTPUT ROUTING:\n0 5\n\n", "NAK\n\n", {}},
        {"VIDEO OUTPUT ROUTING:\n0 -1\n\n", "NAK\n\n", {}},
        {"VIDEO OUTPUT ROUTING:\n\n", "ACK\n\nVIDEO OUTPUT ROUTING:\n0 1\n1 4\n\n", {}},
        {"INPUT LABELS:\n0 NEW\n\n", "NAK\n\n", {}},
        {"OUTPUT LABELS:\n\n", "ACK\n\nOUTPUT LABELS:\n0 DST 001\n1 DST 002\n2 MON 3\n\n", {}},
        {"VIDEO OUTPUT LOCKS:\n0 X\n\n", "NAK\n\n", {}},
        {"SERIAL PORT ROUTING:\n\n", "NAK\n\n", {}},
    };
    for (const auto& r : rows) {
        Send(VH1, r.block);
        EXPECT_EQ(To(VH1), r.answer) << r.block;
        EXPECT_EQ(To(VH2), "") << r.block;   // a request shows nothing until the router reports
        EXPECT_EQ(Host(), r.host) << r.block;
    }
}

TEST_F(GatewayTest, RevertivesReachEveryClientOfEveryEndpoint)
{
    Send(SW2, Frames({{swp08::EXT_TALLY_DUMP_REQUEST, 0, 0}}));   // SW2 now speaks extended
    Line("TXREVERTIVE 0 RR 101 003 004");
    for (int c : {VH1, VH2})
        EXPECT_EQ(To(c), "VIDEO OUTPUT ROUTING:\n2 3\n\n");
    EXPECT_EQ(To(SW1), Frames({{swp08::CONNECTED, 0x00, 0x00, 2, 3}}));
    EXPECT_EQ(To(SW2), Frames({{swp08::EXT_CONNECTED, 0, 0, 0, 2, 0, 3}}));
    Line("TXREPLY 9 RR 101 003 004");   // someone's query, nothing new
    EXPECT_TRUE(out.clients.empty());
    Line("TXREVERTIVE 0 RR 101 003 65535");
    EXPECT_TRUE(out.clients.empty());   // unknown is never shown as a route
}

TEST_F(GatewayTest, LocksBelongToTheClientThatTookThem)
{
    Send(VH1, "VIDEO OUTPUT LOCKS:\n0 O\n\n");
    EXPECT_EQ(Host(), std::vector<std::string>({"RL 101 1 1 1 7"}));
    EXPECT_EQ(To(VH1), "ACK\n\nVIDEO OUTPUT LOCKS:\n0 O\n\n");
    EXPECT_EQ(To(VH2), "VIDEO OUTPUT LOCKS:\n0 L\n\n");
    Send(VH2, "VIDEO OUTPUT LOCKS:\n0 U\n0 O\n\n");
    EXPECT_EQ(To(VH2), "ACK\n\n");
    EXPECT_TRUE(out.host.empty());
    Send(VH2, "VIDEO OUTPUT LOCKS:\n0 F\n\n");
    EXPECT_EQ(Host(), std::vector<std::string>({"RL 101 1 1 0 7"}));
    EXPECT_EQ(To(VH1), "VIDEO OUTPUT LOCKS:\n0 U\n\n");
    Send(VH2, "VIDEO OUTPUT LOCKS:\n2 O\n\n");   // outlives the client that took it
    Gateway_ClientClosed(VH2);
    out = Outbox();
    Gateway_ClientOpen(5, 0, now, out);
    EXPECT_NE(To(5).find("VIDEO OUTPUT LOCKS:\n0 U\n1 U\n2 L\n\n"), std::string::npos);
}

TEST_F(GatewayTest, Swp08Requests)
{
    std::string ack = swp08::AckBytes();
    struct { std::string in; std::string answer; std::vector<std::string> host; } rows[] = {
        {Frames({{swp08::CONNECT, 0x00, 0x00, 2, 3}}), ack, {"RC 101 4 3 ',---' 7"}},
        {Frames({{swp08::EXT_CONNECT, 0, 0, 0, 0, 0, 4}}), ack, {"RC 101 0 1 ',---' 7"}},
        {Frames({{swp08::CONNECT, 0x10, 0x00, 2, 3}}), ack, {}},   // another matrix
        {Frames({{swp08::CONNECT, 0x01, 0x00, 2, 3}}), ack, {}},   // a level not served
        {Frames({{swp08::CONNECT, 0x00, 0x00, 3, 0}}), ack, {}},   // no destination 3
        {Frames({{swp08::INTERROGATE, 0x00, 0x00, 0}}), ack + Frames({{swp08::TALLY, 0, 0, 0, 1}}), {}},
        {Frames({{swp08::INTERROGATE, 0x00, 0x00, 2}}), ack, {}},   // unknown until reported
        {Frames({{swp08::EXT_INTERROGATE, 0, 0, 0, 1}}), ack + Frames({{swp08::EXT_TALLY, 0, 0, 0, 1, 0, 4}}), {}},
        {Frames({{swp08::TALLY_DUMP_REQUEST, 0x00}}), ack + Frames({{swp08::TALLY_DUMP_BYTE, 0, 2, 0, 1, 4}}), {}},
        {Frames({{swp08::EXT_SOURCE_NAMES_REQUEST, 0, 0, 0}}),
         ack + Frames({{234, 0, 0, 0, 0, 0, 5, 'C', 'A', 'M', ' ', 'S', 'R', 'C', ' ', 'S', 'R', 'C', ' ',
                        'S', 'R', 'C', ' ', 'P', 'A', 'R', 'K'}}), {}},
        {Frames({{swp08::DEST_NAMES_REQUEST, 0x00, 1}}),
         ack + swp08::Frame(swp08::NameMessages(107, 0, 0, 1, 0, {"DST 001", "DST 002", "MON 3"})[0]), {}},
        {std::string("\x10\x02\x01\x01\x05\x10\x03", 7), swp08::NakBytes(), {}},   // checksum
        {Frames({{swp08::GO, 0, 3}}), ack + Frames({{swp08::GO_DONE_ACK, 2, 3}}), {}},
    };
    for (const auto& r : rows) {
        Send(SW1, r.in);
        EXPECT_EQ(To(SW1), r.answer);
        EXPECT_EQ(To(SW2), "");
        EXPECT_EQ(Host(), r.host);
    }
}

TEST_F(GatewayTest, SalvosAreEachClientsOwn)
{
    Send(SW1, Frames({{swp08::CONNECT_ON_GO, 0x00, 0x00, 1, 2, 3}}));
    EXPECT_EQ(To(SW1), swp08::AckBytes() + Frames({{swp08::CONNECT_ON_GO_ACK, 0x00, 0x00, 1, 2, 3}}));
    Send(SW2, Frames({{swp08::GO, 0, 3}}));
    EXPECT_TRUE(out.host.empty());
    Send(SW1, Frames({{swp08::GO, 0, 3}}));
    EXPECT_EQ(Host(), std::vector<std::string>({"RC 101 3 2 ',---' 7"}));
    EXPECT_EQ(To(SW1), swp08::AckBytes() + Frames({{swp08::GO_DONE_ACK, 0, 3}}));
}

TEST_F(GatewayTest, Swp08ResendsUntilAcknowledged)
{
    Send(SW1, Frames({{swp08::INTERROGATE, 0x00, 0x00, 0}}));
    std::string tally = Frames({{swp08::TALLY, 0, 0, 0, 1}});
    Send(SW1, swp08::NakBytes());
    EXPECT_EQ(To(SW1), tally);
    for (int i = 0; i < 6; ++i) {
        out = Outbox();
        now += 1000;
        Gateway_Tick(now, out);
        EXPECT_EQ(To(SW1), i < 4 ? tally : "") << i;   // 5 tries in all
    }
}

TEST(GatewaySite, ReadsTheDriversFiles)
{
    Site site;
    std::string ini = "[controller]\nparksource = - none -\n[Levels]\nLevel_0=101\nLevel_1=102\n"
                      "Level_2=103\nLevel_16=117\n";
    EXPECT_EQ(ReadSite(ini, {{101, "[Database]\nDatabaseSize_0=16\nDatabaseSize_1=12 x\n"},
                             {102, "[Database]\nDatabaseSize_0=8\nDatabaseSize_1=2000\n"}}, &site), "");
    ASSERT_EQ(site.levels.size(), 2u);
    EXPECT_EQ(site.levels[0].sources * 10000 + site.levels[0].dests, 160012);
    EXPECT_EQ(site.levels[1].dests, 1025);   // as the driver caps it
    EXPECT_EQ(site.notes.size(), 2u);        // 103 without a size, Q beyond P
    EXPECT_EQ(site.park, "- none -");
    EXPECT_FALSE(site.destFirst);
    EXPECT_EQ(ReadSite("[Controller]\nSourceToDest=0\nDestToSource=1\n[Levels]\nLevel_0=101\n",
                       {{101, "[Database]\nDatabaseSize_0=1\nDatabaseSize_1=1\n"}}, &site), "");
    EXPECT_TRUE(site.destFirst);
    EXPECT_NE(ReadSite("[Levels]\n", {}, &site), "");
}

