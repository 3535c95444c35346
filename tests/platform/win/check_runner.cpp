#include "check_runner.h"

#include <cstdio>
#include <exception>

namespace quorvel::checks {

void check_runner::add(const std::string& name, check_fn fn) {
    checks_.push_back({name, kind_t::normal, {}, std::move(fn)});
}

void check_runner::add_expected_to_fail_under_wine(const std::string& name, const std::string& why,
                                                   check_fn fn) {
    checks_.push_back({name, kind_t::wine_fails, why, std::move(fn)});
}

void check_runner::add_manual(const std::string& name, const std::string& how) {
    checks_.push_back({name, kind_t::manual, how, {}});
}

int check_runner::run(const std::string& filter) {
    int passed = 0, failed = 0;
    std::vector<std::string> for_windows;
    for (const check_t& check : checks_) {
        if (!filter.empty() && check.name.find(filter) == std::string::npos)
            continue;
        if (check.kind == kind_t::manual) {
            std::printf("MANUAL %s: %s\n", check.name.c_str(), check.why.c_str());
            for_windows.push_back(check.name);
            std::fflush(stdout);
            continue;
        }
        std::string problem;
        try {
            problem = check.fn();
        } catch (const std::exception& e) {
            problem = std::string("exception: ") + e.what();
        }
        if (problem.empty()) {
            ++passed;
            std::printf("%s %s\n",
                        check.kind == kind_t::wine_fails && under_wine_ ? "XPASS" : "PASS ",
                        check.name.c_str());
        } else if (under_wine_ && check.kind == kind_t::wine_fails) {
            std::printf("XFAIL %s: %s (expected under Wine: %s)\n", check.name.c_str(),
                        problem.c_str(), check.why.c_str());
            for_windows.push_back(check.name);
        } else {
            ++failed;
            std::printf("FAIL  %s: %s\n", check.name.c_str(), problem.c_str());
        }
        std::fflush(stdout);
    }
    if (!for_windows.empty()) {
        std::printf("\nStill to be checked on a real Windows machine (%zu):\n", for_windows.size());
        for (const std::string& name : for_windows)
            std::printf("  - %s\n", name.c_str());
        std::printf("\n");
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed;
}

} // namespace quorvel::checks
