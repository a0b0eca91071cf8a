#pragma once

// The operating system's Japanese calendar: era name and era year of a date (ICU's "japanese"
// calendar), as the date pictures "gg" and "e" show them.

#include "platform/CoreTypes.h"

#include <stdexcept>
#include <string>

namespace platform {

struct JapaneseEraDate {
    std::string eraName; // "令和"
    int eraYear = 0;     // 1 for the first year, never "元"
    int month = 0;       // Gregorian month 1..12
};

class JapaneseCalendarError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The era form of a date (its day part only). Throws JapaneseCalendarError when ICU cannot give it.
JapaneseEraDate japaneseEraDate(TDateTime date);

} // namespace platform
