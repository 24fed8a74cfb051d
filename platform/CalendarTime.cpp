#include "platform/CalendarTime.h"

namespace platform {

std::tm LocalTime(std::time_t moment)
{
    std::tm fields{};
    ::localtime_r(&moment, &fields);
    return fields;
}

std::tm UtcTime(std::time_t moment)
{
    std::tm fields{};
    ::gmtime_r(&moment, &fields);
    return fields;
}

std::time_t FromUtcTime(std::tm fields)
{
    return ::timegm(&fields);
}

}  // namespace platform
