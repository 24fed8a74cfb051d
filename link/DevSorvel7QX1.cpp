#include "link/DevSorvel7QX1.h"

TDevSorvel7QX1::TDevSorvel7QX1(TCommunication& Comm, TLogWriter* Log)
    : TDevice(Comm, "REV 11", "+", "\r", "OK", Log)
{
}

bool TDevSorvel7QX1::SendShort(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return SendCommandEx(Cmd, Answer, ShortTimeoutMs, false, 1, LogIt, true);
}

bool TDevSorvel7QX1::SendLong(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return SendCommandEx(Cmd, Answer, LongTimeoutMs, false, 1, LogIt, true);
}

bool TDevSorvel7QX1::SendRecord(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return SendCommandEx(Cmd, Answer, LongTimeoutMs, false, 1, LogIt, true);
}
