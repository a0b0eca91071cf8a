#include "platform/JapaneseCalendar.h"

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>

namespace platform {

JapaneseEraDate japaneseEraDate(TDateTime date)
{
    const CivilDate d = decodeDate(date);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale("ja_JP@calendar=japanese");
    // UTC keeps the civil date as it is, whatever the machine's zone.
    std::unique_ptr<icu::Calendar> cal(
        icu::Calendar::createInstance(icu::TimeZone::createTimeZone("UTC"), locale, status));
    if (U_FAILURE(status) || !cal)
        throw JapaneseCalendarError("Japanese calendar unavailable");
    // Set the civil date through a Gregorian calendar, then read it back in Japanese eras.
    std::unique_ptr<icu::Calendar> greg(
        icu::Calendar::createInstance(icu::TimeZone::createTimeZone("UTC"),
                                      icu::Locale("en_US@calendar=gregorian"), status));
    if (U_FAILURE(status) || !greg)
        throw JapaneseCalendarError("Gregorian calendar unavailable");
    greg->clear();
    greg->set(d.year, d.month - 1, d.day, 12, 0, 0);
    const UDate when = greg->getTime(status);
    cal->setTime(when, status);
    const int era = cal->get(UCAL_ERA, status);
    const int year = cal->get(UCAL_YEAR, status);
    if (U_FAILURE(status))
        throw JapaneseCalendarError("Japanese calendar failed for a date");

    (void)era;
    // The full era name ("GGGG") of the locale's Japanese calendar.
    icu::SimpleDateFormat format(icu::UnicodeString("GGGG"), locale, status);
    if (U_FAILURE(status))
        throw JapaneseCalendarError("no era name for a date");
    format.adoptTimeZone(icu::TimeZone::createTimeZone("UTC"));
    icu::UnicodeString name;
    format.format(when, name);
    JapaneseEraDate result;
    name.toUTF8String(result.eraName);
    if (result.eraName.empty())
        throw JapaneseCalendarError("no era name for a date");
    result.eraYear = year;
    result.month = d.month;
    return result;
}

} // namespace platform
