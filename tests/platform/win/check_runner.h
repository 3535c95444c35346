#pragma once

#include <functional>
#include <string>
#include <vector>

// A small check runner without Qt: each check returns an empty string when it
// holds and the reason otherwise. The last line printed is "N passed, N failed".
namespace quorvel::checks {

using check_fn = std::function<std::string()>;

class check_runner {
public:
    explicit check_runner(bool under_wine) : under_wine_(under_wine) {}

    void add(const std::string& name, check_fn fn);
    // Runs everywhere, but only a real Windows machine is expected to pass it:
    // under Wine a failure is reported as expected, not counted as failed.
    void add_expected_to_fail_under_wine(const std::string& name, const std::string& why,
                                         check_fn fn);
    // Cannot be automated here: only listed, with how to check it by hand on
    // a real Windows machine.
    void add_manual(const std::string& name, const std::string& how);

    // Runs the checks whose name contains `filter`; returns the failed count.
    int run(const std::string& filter);

private:
    enum class kind_t { normal, wine_fails, manual };
    struct check_t {
        std::string name;
        kind_t kind;
        std::string why;
        check_fn fn;
    };
    bool under_wine_;
    std::vector<check_t> checks_;
};

// "" when the condition holds, otherwise the message.
inline std::string expect(bool condition, const std::string& message) {
    return condition ? std::string() : message;
}

} // namespace quorvel::checks
