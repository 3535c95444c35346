#pragma once

namespace quorvel {

// The number in a registration argument: leading white space and a sign
// allowed, digits up to the first other character, 0 without digits.
long parse_registration_argument(const char* argument);

enum class registration_request { none, add, remove };
registration_request registration_of(long number); // 10016 adds, 10017 removes

// Registration mode: adds or removes the autorun entry for program_path.
// Returns the process exit code (always 0).
int run_registration(const char* argument, const char* program_path);

} // namespace quorvel
