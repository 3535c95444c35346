#pragma once

#include <string>
#include <vector>

namespace quorvel::checks {

// A child process the checks start and always end.
class process {
public:
    process() = default;
    process(const process&) = delete;
    process& operator=(const process&) = delete;
    ~process();

    bool start(const std::wstring& program, const std::vector<std::wstring>& args);
    // The exit code, or -1 when the process is still running after timeout_ms.
    int wait(unsigned timeout_ms);
    void kill();
    unsigned long pid() const { return pid_; }

private:
    void* handle_ = nullptr;
    unsigned long pid_ = 0;
};

// Runs a program to its end (at most timeout_ms); -1 on timeout, -2 when it
// could not start.
int run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                unsigned timeout_ms);

} // namespace quorvel::checks
