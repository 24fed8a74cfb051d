#pragma once
// The C library's calendar time, the same on either system and safe on any thread.
#include <ctime>

namespace platform {

// The local calendar time of a moment.
std::tm LocalTime(std::time_t moment);
// The calendar time of a moment in UTC.
std::tm UtcTime(std::time_t moment);
// The moment whose UTC calendar time the fields give: the inverse of UtcTime. Fields out of their range
// (a 61st second, a 32nd day) carry over as the C library's mktime carries them.
std::time_t FromUtcTime(std::tm fields);

}  // namespace platform
