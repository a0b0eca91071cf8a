#include "platform/JapaneseCalendar.h"

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>

namespace platform {

namespace {

// The calendars and the era format, built once per thread: building them costs far more than
// reading a date, and an export reads one date per asset.
struct EraCalendars {
    std::unique_ptr<icu::Calendar> japanese;
    std::unique_ptr<icu::Calendar> gregorian;
    std::unique_ptr<icu::SimpleDateFormat> eraFormat;
};

EraCalendars makeEraCalendars()
{
    EraCalendars c;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale("ja_JP@calendar=japanese");
    // UTC keeps the civil date as it is, whatever the machine's zone.
    c.japanese.reset(
        icu::Calendar::createInstance(icu::TimeZone::createTimeZone("UTC"), locale, status));
    if (U_FAILURE(status) || !c.japanese)
        throw JapaneseCalendarError("Japanese calendar unavailable");
    c.gregorian.reset(icu::Calendar::createInstance(icu::TimeZone::createTimeZone("UTC"),
                                                    icu::Locale("en_US@calendar=gregorian"), status));
    if (U_FAILURE(status) || !c.gregorian)
        throw JapaneseCalendarError("Gregorian calendar unavailable");
    // The full era name ("GGGG") of the locale's Japanese calendar.
    auto format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString("GGGG"), locale, status);
    if (U_FAILURE(status))
        throw JapaneseCalendarError("no era name for a date");
    format->adoptTimeZone(icu::TimeZone::createTimeZone("UTC"));
    c.eraFormat = std::move(format);
    return c;
}

EraCalendars& eraCalendars()
{
    thread_local EraCalendars calendars = makeEraCalendars();
    return calendars;
}

} // namespace

JapaneseEraDate japaneseEraDate(TDateTime date)
{
    const CivilDate d = decodeDate(date);
    EraCalendars& c = eraCalendars();
    UErrorCode status = U_ZERO_ERROR;
    // Set the civil date through a Gregorian calendar, then read it back in Japanese eras.
    c.gregorian->clear();
    c.gregorian->set(d.year, d.month - 1, d.day, 12, 0, 0);
    const UDate when = c.gregorian->getTime(status);
    c.japanese->setTime(when, status);
    const int year = c.japanese->get(UCAL_YEAR, status);
    if (U_FAILURE(status))
        throw JapaneseCalendarError("Japanese calendar failed for a date");

    icu::UnicodeString name;
    c.eraFormat->format(when, name);
    JapaneseEraDate result;
    name.toUTF8String(result.eraName);
    if (result.eraName.empty())
        throw JapaneseCalendarError("no era name for a date");
    result.eraYear = year;
    result.month = d.month;
    return result;
}

} // namespace platform
