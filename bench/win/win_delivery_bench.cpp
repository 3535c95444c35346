// Delivery into the Win32 stand-in chat application through the Windows core:
// how long the foreground change, a paste and the Enter key take to reach
// the chat window, and a whole timed delivery (50 ms after the foreground
// change, 100 ms before the send key) against its prescribed pauses.
//
//   win_delivery_bench [rounds]        (run under Wine: bench/win_delivery_bench.sh)
#include "win_check_support.h"

#include "platform/win/clipboard.h"
#include "platform/win/focus.h"
#include "platform/win/keys.h"

#include <algorithm>
#include <cstdio>

using namespace quorvel;
using namespace quorvel::checks;

namespace {

long long now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

long long record_time(const standin& chat, const std::string& event, size_t index) {
    if (!chat.wait_for(event, index + 1, 5000))
        return -1;
    return std::stoll(field(chat.events(event)[index], "at_us"));
}

void report(const char* name, std::vector<double> ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s median %7.2f ms  p95 %7.2f ms  max %7.2f ms  (n=%zu)\n", name,
                ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back(),
                ms.size());
}

// Returns as soon as the target is in front (at most ms), like the program's
// own wait, so the time to the foreground change can be read.
void settle_until_front(hwnd_t target, int ms) {
    wait_until([&] { return win32::foreground_window() == target; }, static_cast<unsigned>(ms));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int code = 0;
    if (run_child_mode(argc, argv, &code))
        return code;
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 30;
    standin chat({L"--kind", L"wecom"});
    standin other({L"--kind", L"wechat", L"--x", L"600"});
    if (!chat.ok() || !other.ok()) {
        std::printf("stand-ins did not start\n");
        return 1;
    }
    std::vector<double> focus, paste, enter, delivery;
    for (int i = 0; i < rounds; ++i) {
        win32::bring_to_front(other.window(), settle_until_front);
        pump(20);
        long long t = now_us();
        win32::bring_to_front(chat.window(), settle_until_front);
        if (win32::foreground_window() == chat.window())
            focus.push_back((now_us() - t) / 1000.0);

        win32::set_text(L"基准测试 " + std::to_wstring(i));
        t = now_us();
        win32::paste_chord();
        const long long pasted = record_time(chat, "paste", paste.size() + delivery.size());
        if (pasted > 0)
            paste.push_back((pasted - t) / 1000.0);
        t = now_us();
        win32::send_enter();
        const long long sent = record_time(chat, "send", enter.size() + delivery.size());
        if (sent > 0)
            enter.push_back((sent - t) / 1000.0);

        // The whole delivery with the program's pauses: foreground (50 ms),
        // paste, 100 ms, Enter.
        win32::bring_to_front(other.window(), settle_until_front);
        pump(20);
        win32::set_text(L"整条消息 " + std::to_wstring(i));
        t = now_us();
        win32::bring_to_front(chat.window());
        win32::paste_chord();
        pump(100);
        win32::send_enter();
        const long long done = record_time(chat, "send", enter.size() + delivery.size());
        if (done > 0)
            delivery.push_back((done - t) / 1000.0);
    }
    std::printf("Windows core under Wine, %d rounds\n", rounds);
    report("foreground confirmed", focus);
    report("paste chord -> chat window's paste", paste);
    report("SendInput Enter -> chat window's send", enter);
    report("whole delivery (150 ms prescribed)", delivery);
    return 0;
}
