// Delivery of client lines to the drivers, on the GUI thread. Nothing here
// waits for a driver: each message goes out with SendMessageCallback and its
// answer comes back as a callback, so a hung driver holds only its own work.
#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/hxihost.h"

namespace {

// A driver that leaves a message unanswered this long is reported as not
// answering; while it stays so, one held message is sent every retry period.
const uint64_t kAnswerMs = 5000;
const uint64_t kRetryMs = 5000;

std::map<HWND, hxihost::Delivery> gDeliveries;

uint32_t OwnerOf(HWND wnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    return process;
}

// The driver window registered for a device, forgetting windows that are gone.
HWND DriverFor(int device)
{
    std::lock_guard<std::mutex> hold(Host().lock);
    HWND wnd = (HWND)(uintptr_t)Host().registry.WindowOf(device);
    if (wnd && !IsWindow(wnd)) {
        Host().registry.Deregister((uint64_t)(uintptr_t)wnd);
        return nullptr;
    }
    return wnd;
}

std::string DevicesOf(HWND wnd)
{
    std::string list;
    std::lock_guard<std::mutex> hold(Host().lock);
    for (const auto& [device, reg] : Host().registry.All())
        if (reg.wnd == (uint64_t)(uintptr_t)wnd)
            list += (list.empty() ? "" : " ") + std::to_string(device);
    return list.empty() ? "?" : list;
}

void ForgetText(uint32_t id)
{
    if (!id)
        return;
    std::lock_guard<std::mutex> hold(Host().lock);
    Host().texts.Withdraw(id);
}

// Tells the client how its job ended and drops its waiting text.
void Finish(const hxihost::Job& job, LRESULT result)
{
    ForgetText(job.id);
    if (job.request)
        Net_SendTo(job.client, std::string(job.request) + " " + std::to_string(job.device) + " " +
                                   std::to_string((long long)result));
    else if (result != 1)
        Net_SendTo(job.client, "# driver for device " + std::to_string(job.device) +
                                   " did not take the command");
}

void Pump(HWND driver);

VOID CALLBACK OnAnswer(HWND driver, UINT, ULONG_PTR seq, LRESULT result)
{
    auto it = gDeliveries.find(driver);
    hxihost::Job job;
    if (it == gDeliveries.end() || !it->second.Answered((uint32_t)seq, &job))
        return;
    Finish(job, result);
    if (it->second.recovered) {
        it->second.recovered = false;
        Net_Broadcast("# driver for devices " + DevicesOf(driver) + " answers again");
    }
    Pump(driver);
}

void Pump(HWND driver)
{
    hxihost::Delivery& d = gDeliveries[driver];
    hxihost::Job job;
    while (d.Next(GetTickCount64(), kRetryMs, &job)) {
        if (job.id) {
            std::lock_guard<std::mutex> hold(Host().lock);
            Host().texts.Offer(job.id, job.text, OwnerOf(driver));
        }
        if (SendMessageCallbackA(driver, job.msg, job.id, job.lParam, OnAnswer, job.seq))
            continue;
        d.Answered(job.seq, &job);   // the window is gone: nothing was sent
        Finish(job, -1);
    }
}

void Queue(HWND driver, const hxihost::Job& job)
{
    switch (gDeliveries[driver].Add(job)) {
    case hxihost::ADD_QUEUED:
        break;
    case hxihost::ADD_HELD_FULL:
        Net_SendTo(job.client, "# driver for device " + std::to_string(job.device) +
                                   " is not answering: refused");
        return;
    case hxihost::ADD_SHARE_FULL:
        Net_SendTo(job.client, "# too many of your commands wait for device " +
                                   std::to_string(job.device) + ": refused");
        return;
    }
    Pump(driver);
}

// A driver whose window is gone: its jobs end with a line to their clients.
void DropDriver(HWND driver)
{
    for (const hxihost::Job& job : gDeliveries[driver].TakeAll()) {
        ForgetText(job.id);
        Net_SendTo(job.client, "# no driver for device " + std::to_string(job.device));
    }
    gDeliveries.erase(driver);
    std::lock_guard<std::mutex> hold(Host().lock);
    Host().registry.Deregister((uint64_t)(uintptr_t)driver);
}

void RouteCommand(uint64_t client, const std::string& text)
{
    std::string refusal = hxihost::CommandRefusal(text);
    if (!refusal.empty()) {
        Net_SendTo(client, refusal);
        return;
    }
    int device = hxihost::CommandDevice(text);
    HWND driver = DriverFor(device);
    if (!driver) {
        Net_SendTo(client, "# no driver for device " + std::to_string(device));
        return;
    }
    hxihost::Job job{client, device, ZUV_RXMESSAGE, ZUV_RXCOMMAND, 0, nullptr, text};
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        job.id = Host().nextId++;
        if (job.id == 0)
            job.id = Host().nextId++;   // 0 means "no text"
    }
    Queue(driver, job);
}

void Status(uint64_t client)
{
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        for (const auto& [device, reg] : Host().registry.All()) {
            const hxihost::Delivery& d = gDeliveries[(HWND)(uintptr_t)reg.wnd];
            lines.push_back("DEVICE " + std::to_string(device) + " MODE " + std::to_string(reg.mode) +
                            " DELIVERED " + std::to_string(d.delivered) + " HELD " +
                            std::to_string(d.Held()) + " REFUSED " + std::to_string(d.refused) +
                            " HANGS " + std::to_string(d.hangs) + (d.hung ? " HUNG" : " ANSWERING"));
        }
    }
    Net_SendTo(client, "STATUS " + std::to_string(lines.size()));
    for (const std::string& l : lines)
        Net_SendTo(client, l);
    for (const std::string& l : Net_StatusLines())
        Net_SendTo(client, l);
}

void HandleRequest(uint64_t client, const std::string& line)
{
    std::string error;
    hxihost::Request r = hxihost::ParseRequest(line, &error);
    if (r.kind == hxihost::REQ_BAD) {
        Net_SendTo(client, "# " + error);
        return;
    }
    if (r.kind == hxihost::REQ_STATUS) {
        Status(client);
        return;
    }
    HWND driver = DriverFor(r.device);
    if (!driver) {
        Net_SendTo(client, "# no driver for device " + std::to_string(r.device));
        return;
    }
    UINT msg = 0;
    switch (r.kind) {
    case hxihost::REQ_GORXONLY: msg = ZUV_REQDEVGORXONLY; break;
    case hxihost::REQ_GOTXRX: msg = ZUV_REQDEVGOTXRX; break;
    case hxihost::REQ_INQTXRX: msg = ZUV_INQDEVGOTXRX; break;
    case hxihost::REQ_SETRXONLY: msg = ZUV_SETDEVRXONLY; break;
    default: msg = ZUV_REQDEVCLOSE; break;
    }
    Queue(driver, hxihost::Job{client, r.device, msg, r.except, 0, r.name, ""});
}

}  // namespace

void Host_HandleLine(uint64_t client, const std::string& line)
{
    if (line[0] == '!')
        HandleRequest(client, line);
    else
        RouteCommand(client, line);
}

void Host_CheckDrivers()
{
    std::vector<HWND> gone;
    for (auto& [driver, d] : gDeliveries) {
        if (!IsWindow(driver)) {
            gone.push_back(driver);
            continue;
        }
        if (d.Overdue(GetTickCount64(), kAnswerMs))
            Net_Broadcast("# driver for devices " + DevicesOf(driver) + " is not answering; " +
                          std::to_string(d.Held()) + " held");
    }
    for (HWND driver : gone)
        DropDriver(driver);
    for (auto& entry : gDeliveries)
        Pump(entry.first);
}
