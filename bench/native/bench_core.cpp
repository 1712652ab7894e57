// Throughput of the core's two parsers, natively against the recording fake
// of the platform: the router line assembler and status decoder fed byte by
// byte as the receive drain feeds them, and the command tokenizer; and what
// a trace line costs the thread that traces while the trace reader is slow.
// Prints Markdown table rows (measurement | result | limit).
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "store/store.h"
#include "trace/trace.h"
#include "tests/fake/fake_platform.h"
#include "tests/native/test_store_support.h"

namespace {

const int kDevice = 101;
const int kDests = 1024;
const int kSources = 1024;
const double kSeconds = 1.0;   // each measurement runs about this long

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One level of 1024 x 1024, sized as start-up sizes it, link OK, Tx/Rx, no
// trace; the panel writes go to the fake's log, emptied between rounds.
void StartLevel()
{
    storetest::Fresh();
    storetest::Configure(0, kDevice, kSources, kDests);
    Memory_Init();
    Settings().bDebugMode = 0;
    Link().iComState[0] = COMSTATE_OK;
    HostLink().iTxRxMode = TXRX_TXRX;
}

void Feed(const std::string& bytes)
{
    for (unsigned char c : bytes)
        Leitch_RxChar(c);
}

// Feeds the text in rounds until kSeconds have passed; returns bytes/s.
double FeedRate(const std::string& text)
{
    long long bytes = 0;
    Clock::time_point start = Clock::now();
    do {
        Feed(text);
        bytes += (long long)text.size();
        fake::S().log.clear();
        fake::S().hostTx.clear();
    } while (Since(start) < kSeconds);
    return bytes / Since(start);
}

void Row(const char* measurement, const std::string& result, const char* limit)
{
    std::printf("| %s | %s | %s |\n", measurement, result.c_str(), limit);
}

std::string Rate(double perSecond, const char* unit)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f M%s", perSecond / 1e6, unit);
    return text;
}

void Decoder()
{
    StartLevel();
    // Every destination reports source = destination: the first round
    // stores them, the measured rounds decode lines that change nothing.
    std::string status;
    char line[32];
    for (int d = 1; d <= kDests; ++d) {
        std::snprintf(line, sizeof line, "S:0%X,%X\r\n", d - 1, d - 1);
        status += line;
    }
    Feed(status);
    double rate = FeedRate(status);
    double lineBytes = (double)status.size() / kDests;
    char limit[96];
    std::snprintf(limit, sizeof limit, "3840 B/s; %.0f lines/s (%.1f bytes each) at 38400 baud",
                  3840 / lineBytes, lineBytes);
    Row("Native status decoder: lines for a 1024-destination level, byte by byte (bytes/s; lines/s)",
        Rate(rate, "B/s") + "; " + Rate(rate / lineBytes, " lines/s"), limit);

    std::string filler;
    while (filler.size() < 64 * 1024)
        filler += "FILLER LINE WITHOUT A STATUS MARK 0123456789\r\n";
    Row("Native line assembler: lines without a status mark (bytes/s)", Rate(FeedRate(filler), "B/s"),
        "3840 B/s at 38400 baud");
    Memory_Free();
}

void Tokenizer()
{
    const char* texts[] = {"RC 101 5 3 ',---' 42", "RL 101 1 4 1 42", "RQ 101 1 1024 42",
                           "RC 101 'a quoted field' 3 ',---' 42"};
    long long count = 0;
    Clock::time_point start = Clock::now();
    do {
        for (const char* t : texts)
            count += Cmd_Tokenize(t, CMD_MAX_FIELDS) > 0;
    } while (Since(start) < kSeconds);
    Row("Native command tokenizer: RC, RL, RQ texts (commands/s)", Rate(count / Since(start), "/s"),
        "one host message per command (host round trips above)");
}

// A trace reader that takes 2 ms per write, as a reader that prints every
// line to a terminal may: the traced thread must not wait for it.
void SlowReader(const char*) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

void TraceCost()
{
    fake::Reset();
    Settings().bDebugMode = 1;
    Debug_StartWriter(SlowReader);
    const int lines = 200000;
    double worst = 0;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < lines; ++i) {
        Clock::time_point t = Clock::now();
        Debug_Tracef("Result -> %x/%x,%x", i & 15, i & 1023, i & 1023);
        double took = Since(t);
        worst = took > worst ? took : worst;
    }
    double mean = Since(start) / lines;
    Debug_StopWriter();
    char result[96];
    std::snprintf(result, sizeof result, "%.2f / %.1f us", mean * 1e6, worst * 1e6);
    Row("Native trace: one line on the traced thread with a reader taking 2 ms a write, 200,000 "
        "lines (mean / max)", result, "10 ms: one poll period at TallyDelay 10");
    Settings().bDebugMode = 0;
}

}  // namespace

int main()
{
    Decoder();
    Tokenizer();
    TraceCost();
    return 0;
}
