#include "platform/crash_dump.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

// Everything below the install function runs inside a signal handler: no
// allocation, no stdio, no locks; only fixed buffers and async-signal-safe calls.

namespace quorvel::platform {

namespace {

// SIGTERM is no fault here: a logout or kill asks to end, and a dump would be
// uploaded as a crash at the next start (see termination.h).
constexpr int handled_signals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL};
constexpr size_t path_capacity = 4096;

char crash_dir_buf[path_capacity];
char exe_path_buf[path_capacity];
long utc_offset_seconds = 0;
std::atomic<bool> dumping{false};
alignas(16) char alt_stack[64 * 1024];

// Appends to a fixed buffer and writes it out in one go when full or flushed.
class fd_writer {
public:
    explicit fd_writer(int fd) : fd_(fd) {}
    ~fd_writer() { flush(); }

    fd_writer& str(const char* s) {
        while (*s)
            put(*s++);
        return *this;
    }
    fd_writer& dec(long long v) {
        char digits[24];
        int n = 0;
        const bool negative = v < 0;
        unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(v)
                                        : static_cast<unsigned long long>(v);
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u);
        if (negative)
            put('-');
        while (n)
            put(digits[--n]);
        return *this;
    }
    fd_writer& hex(uintptr_t v) {
        str("0x");
        for (int shift = static_cast<int>(sizeof(v) * 8) - 4; shift >= 0; shift -= 4)
            put("0123456789abcdef"[(v >> shift) & 0xf]);
        return *this;
    }
    fd_writer& padded(long v, int width) {
        char digits[16];
        for (int i = width - 1; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        for (int i = 0; i < width; ++i)
            put(digits[i]);
        return *this;
    }
    void flush() {
        size_t done = 0;
        while (done < used_) {
            const ssize_t n = ::write(fd_, buf_ + done, used_ - done);
            if (n <= 0 && errno != EINTR)
                break;
            if (n > 0)
                done += static_cast<size_t>(n);
        }
        used_ = 0;
    }

private:
    void put(char c) {
        if (used_ == sizeof(buf_))
            flush();
        buf_[used_++] = c;
    }
    int fd_;
    char buf_[1024];
    size_t used_ = 0;
};

struct civil_time_t {
    long year, month, day, hour, minute, second;
};

// Local time from the offset measured at install time; localtime_r is not
// async-signal-safe.
civil_time_t local_now() {
    const long long t = static_cast<long long>(::time(nullptr)) + utc_offset_seconds;
    long long days = t / 86400;
    long long secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Days since 1970-01-01 to a civil date (proleptic Gregorian).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    return {static_cast<long>(y),
            static_cast<long>(m),
            static_cast<long>(d),
            static_cast<long>(secs / 3600),
            static_cast<long>(secs / 60 % 60),
            static_cast<long>(secs % 60)};
}

void random_bytes(unsigned char* out, size_t n) {
    size_t got = 0;
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        while (got < n) {
            const ssize_t r = ::read(fd, out + got, n - got);
            if (r <= 0 && errno != EINTR)
                break;
            if (r > 0)
                got += static_cast<size_t>(r);
        }
        ::close(fd);
    }
    // Without /dev/urandom: still unique enough to keep two dumps apart.
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t x = static_cast<uint64_t>(ts.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32);
    for (size_t i = got; i < n; ++i) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        out[i] = static_cast<unsigned char>(x >> 56);
    }
}

// "yyyyMMdd_hhmmss_<uuid>.dmp" in the crash folder.
void build_dump_path(char* path, const civil_time_t& now) {
    unsigned char id[16];
    random_bytes(id, sizeof id);
    id[6] = static_cast<unsigned char>((id[6] & 0x0f) | 0x40); // version 4
    id[8] = static_cast<unsigned char>((id[8] & 0x3f) | 0x80); // RFC 4122 variant

    size_t n = 0;
    for (const char* s = crash_dir_buf; *s; ++s)
        path[n++] = *s;
    auto two = [&](long v) {
        path[n++] = static_cast<char>('0' + v / 10 % 10);
        path[n++] = static_cast<char>('0' + v % 10);
    };
    two(now.year / 100);
    two(now.year % 100);
    two(now.month);
    two(now.day);
    path[n++] = '_';
    two(now.hour);
    two(now.minute);
    two(now.second);
    path[n++] = '_';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            path[n++] = '-';
        path[n++] = "0123456789abcdef"[id[i] >> 4];
        path[n++] = "0123456789abcdef"[id[i] & 0xf];
    }
    for (const char* s = ".dmp"; *s; ++s)
        path[n++] = *s;
    path[n] = '\0';
}

const char* signal_name(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGABRT:
        return "SIGABRT";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGTERM:
        return "SIGTERM";
    case SIGBUS:
        return "SIGBUS";
    default:
        return "none";
    }
}

uintptr_t program_counter(const void* context) {
    if (!context)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

void copy_file_into(int out_fd, const char* source) {
    const int fd = ::open(source, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char chunk[4096];
    for (;;) {
        const ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        ssize_t done = 0;
        while (done < r) {
            const ssize_t w = ::write(out_fd, chunk + done, static_cast<size_t>(r - done));
            if (w <= 0 && errno != EINTR)
                break;
            if (w > 0)
                done += w;
        }
    }
    ::close(fd);
}

bool write_dump(int sig, const siginfo_t* info, const void* context) {
    if (!crash_dir_buf[0])
        return false;
    const civil_time_t now = local_now();
    char path[path_capacity + 64];
    build_dump_path(path, now);

    int fd = ::open(path, O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        ::mkdir(crash_dir_buf, 0700);
        fd = ::open(path, O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return false;

    {
        fd_writer w(fd);
        w.str("Quorvel crash report\n");
        w.str("signal: ").dec(sig).str(" (").str(signal_name(sig)).str(")\n");
        if (info) {
            w.str("code: ").dec(info->si_code).str("\n");
            w.str("address: ").hex(reinterpret_cast<uintptr_t>(info->si_addr)).str("\n");
        }
        w.str("pc: ").hex(program_counter(context)).str("\n");
        w.str("pid: ").dec(::getpid()).str("\n");
        w.str("tid: ").dec(static_cast<long long>(::syscall(SYS_gettid))).str("\n");
        w.str("time: ").padded(now.year, 4).str("-").padded(now.month, 2).str("-");
        w.padded(now.day, 2).str(" ").padded(now.hour, 2).str(":").padded(now.minute, 2);
        w.str(":").padded(now.second, 2).str(" local\n");
        w.str("executable: ").str(exe_path_buf).str("\n");
        w.str("\nbacktrace of the crashing thread:\n");
    }
    void* frames[128];
    const int depth = ::backtrace(frames, 128);
    ::backtrace_symbols_fd(frames, depth, fd);
    {
        fd_writer w(fd);
        w.str("\nmemory map:\n");
    }
    copy_file_into(fd, "/proc/self/maps");
    ::close(fd);
    return true;
}

void on_fatal_signal(int sig, siginfo_t* info, void* context) {
    const int saved_errno = errno;
    if (dumping.exchange(true)) {
        // Another thread is already writing the dump and will end the process.
        for (;;)
            ::pause();
    }
    write_dump(sig, info, context);
    // Returning from a fault signal would re-run the faulting instruction for
    // ever; let the default action end the process with the same signal.
    ::signal(sig, SIG_DFL);
    errno = saved_errno;
    ::raise(sig);
}

} // namespace

void install_crash_handlers(const std::string& crash_dir) {
    const size_t n = crash_dir.size() < path_capacity - 1 ? crash_dir.size() : path_capacity - 1;
    std::memcpy(crash_dir_buf, crash_dir.data(), n);
    crash_dir_buf[n] = '\0';

    const ssize_t len = ::readlink("/proc/self/exe", exe_path_buf, sizeof exe_path_buf - 1);
    exe_path_buf[len > 0 ? len : 0] = '\0';

    const time_t now = ::time(nullptr);
    tm local{};
    if (::localtime_r(&now, &local))
        utc_offset_seconds = local.tm_gmtoff;

    // The first backtrace() loads the unwinder; do that here, not in the handler.
    void* warm_up[4];
    ::backtrace(warm_up, 4);

    stack_t ss{};
    ss.ss_sp = alt_stack;
    ss.ss_size = sizeof alt_stack;
    ::sigaltstack(&ss, nullptr);

    struct sigaction action {};
    action.sa_sigaction = on_fatal_signal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : handled_signals)
        ::sigaction(sig, &action, nullptr);
}

bool write_crash_dump(void* exception_record) {
    (void)exception_record; // Linux has no exception record; the handler passes its own.
    return write_dump(0, nullptr, nullptr);
}

} // namespace quorvel::platform
