#include "trace/trace.h"

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace {

bool (*gEnabled)() = nullptr;   // set once by app/

bool On() { return gEnabled && gEnabled(); }

const int kLineSize = 256;   // a line with its NUL, as Debug_Trace cuts it
// Lines written together: the debug output's shared buffer holds 4096
// bytes, the writer's process id first.
const int kBlockSize = 4092;
const int kBatchLines = 16;     // lines the writer waits for, up to kBatchWaitMs
const int kBatchWaitMs = 10;

// The queue between the threads that trace (the GUI thread, the serial
// reader) and the writer, which alone may wait for a slow trace reader.
// Every field is guarded by lock.
struct TraceQueue {
    std::mutex lock;
    std::condition_variable ready;
    char lines[DEBUG_QUEUE_LINES][kLineSize];
    int first = 0, count = 0;
    unsigned long dropped = 0;   // lines dropped since the queue was last full
    bool running = false, stopping = false;
    void (*out)(const char*) = nullptr;
    std::thread writer;
};
TraceQueue gQueue;

// Queues one line; the caller holds the lock and has checked for room.
void Push(const char* line)
{
    TraceQueue& q = gQueue;
    std::snprintf(q.lines[(q.first + q.count) % DEBUG_QUEUE_LINES], kLineSize, "%s", line);
    ++q.count;
}

// The count of lines dropped, queued where they were dropped; the caller
// holds the lock and has checked for room.
void PushDroppedNote()
{
    char note[kLineSize];
    std::snprintf(note, sizeof note, "<VALDRUNE>-%lu trace lines dropped: the trace reader is slow\n",
                  gQueue.dropped);
    gQueue.dropped = 0;
    Push(note);
}

void WriterLoop()
{
    TraceQueue& q = gQueue;
    std::unique_lock<std::mutex> hold(q.lock);
    for (;;) {
        q.ready.wait(hold, [&] { return q.count > 0 || q.dropped > 0 || q.stopping; });
        // A short while for more lines: one write per batch rather than per
        // line, and the traced threads wake the writer twice a batch.
        q.ready.wait_for(hold, std::chrono::milliseconds(kBatchWaitMs),
                         [&] { return q.count >= kBatchLines || q.stopping; });
        if (q.count == 0 && q.dropped > 0)
            PushDroppedNote();
        if (q.count == 0)
            return;   // stopping, and everything written
        // As many whole lines as one block of the debug output takes: each
        // write costs the reader's round trip, whatever its length.
        char block[kBlockSize];
        size_t used = 0;
        while (q.count > 0) {
            size_t n = std::strlen(q.lines[q.first]);
            if (used + n + 1 > sizeof block)
                break;
            std::memcpy(block + used, q.lines[q.first], n);
            used += n;
            q.first = (q.first + 1) % DEBUG_QUEUE_LINES;
            --q.count;
        }
        block[used] = '\0';
        hold.unlock();
        q.out(block);   // may wait for the reader: no lock held
        hold.lock();
    }
}

// Hands a finished line to the writer, or writes it at once when there is
// none; a full queue drops it and counts it.
void Emit(const char* line)
{
    TraceQueue& q = gQueue;
    std::unique_lock<std::mutex> hold(q.lock);
    if (!q.running) {
        hold.unlock();
        Plat_DebugOutput(line);
        return;
    }
    const int before = q.count;
    if (q.dropped > 0 && q.count + 2 <= DEBUG_QUEUE_LINES)
        PushDroppedNote();
    if (q.count == DEBUG_QUEUE_LINES) {
        ++q.dropped;
        return;
    }
    Push(line);
    // The writer waits for a first line, then for a batch.
    if (before == 0 || (before < kBatchLines && q.count >= kBatchLines))
        q.ready.notify_one();
}

}  // namespace

void Debug_SetEnabledQuery(bool (*enabled)()) { gEnabled = enabled; }

void Debug_StartWriter(void (*out)(const char*))
{
    TraceQueue& q = gQueue;
    std::lock_guard<std::mutex> hold(q.lock);
    if (q.running)
        return;
    q.out = out ? out : Plat_DebugOutput;
    q.first = q.count = 0;
    q.dropped = 0;
    q.stopping = false;
    q.running = true;
    q.writer = std::thread(WriterLoop);
}

void Debug_StopWriter()
{
    TraceQueue& q = gQueue;
    {
        std::lock_guard<std::mutex> hold(q.lock);
        if (!q.running)
            return;
        q.stopping = true;
    }
    q.ready.notify_one();
    q.writer.join();
    std::lock_guard<std::mutex> hold(q.lock);
    q.running = false;
}

void Debug_Trace(const char* text)
{
    if (!On())
        return;
    // snprintf cuts an over-long result at 255 characters and keeps the NUL.
    char line[kLineSize];
    std::snprintf(line, sizeof line, "<VALDRUNE>-%s\n", text ? text : "");
    Emit(line);
}

void Debug_Tracef(const char* format, ...)
{
    if (!On())
        return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Debug_Trace(text);
}
