#include "platform/CalendarTime.h"

namespace platform {

// The Microsoft C library's safe forms take their arguments the other way round.
std::tm LocalTime(std::time_t moment)
{
    std::tm fields{};
    ::localtime_s(&fields, &moment);
    return fields;
}

std::tm UtcTime(std::time_t moment)
{
    std::tm fields{};
    ::gmtime_s(&fields, &moment);
    return fields;
}

std::time_t FromUtcTime(std::tm fields)
{
    return ::_mkgmtime(&fields);
}

}  // namespace platform
