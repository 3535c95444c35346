#include "app/startup.h"

#include "platform/autorun.h"

#include <QString>
#include <cctype>
#include <climits>

namespace quorvel {

long parse_registration_argument(const char* argument) {
    if (!argument)
        return 0;
    const char* p = argument;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        const int digit = *p++ - '0';
        if (value > (LONG_MAX - digit) / 10)
            return negative ? LONG_MIN : LONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

registration_request registration_of(long number) {
    if (number == 10016)
        return registration_request::add;
    if (number == 10017)
        return registration_request::remove;
    return registration_request::none;
}

int run_registration(const char* argument, const char* program_path) {
    switch (registration_of(parse_registration_argument(argument))) {
    case registration_request::add:
        // The path arrives in the local 8-bit encoding.
        platform::set_autorun(QString::fromLocal8Bit(program_path).toStdString());
        break;
    case registration_request::remove:
        platform::remove_autorun();
        break;
    case registration_request::none:
        break;
    }
    return 0;
}

} // namespace quorvel
