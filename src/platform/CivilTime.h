#pragma once

// Calendar fields in the C library's form, built in one place for every layer that
// formats or converts a time.

#include <ctime>

namespace Platform {

// A std::tm for the given date and time (month 1-12, year in full). Day of week and
// day of year stay zero; daylight saving time is left for mktime to decide.
std::tm CivilFields(int year, int month, int day, int hour, int minute, int second);

} // namespace Platform
