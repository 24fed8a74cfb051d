#pragma once
// The program's side of a simulated line, in real time: the real serial code on the terminal's slave.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/SerialPort.h"

namespace testsupport {

struct PortClient {
    explicit PortClient(const std::string& path)
    {
        port.Open(path);
        port.Configure({});
    }
    void Write(const std::string& bytes) { ASSERT_EQ(port.WriteSome(bytes.data(), bytes.size()), bytes.size()); }
    // Reads until `until` appears or `limit` passes. Notes when each byte was seen, which is never
    // before it arrived.
    std::string ReadUntil(const std::string& until, std::chrono::milliseconds limit = std::chrono::seconds(2))
    {
        std::string got;
        for (const auto end = Clock::now() + limit; got.find(until) == std::string::npos && Clock::now() < end;) {
            if (!port.WaitReadable(5)) continue;
            char buffer[4096];
            const std::size_t n = port.ReadSome(buffer, sizeof buffer);
            got.append(buffer, n);
            arrivals.insert(arrivals.end(), n, Clock::now());
        }
        return got;
    }

    // A request and its reply, read up to "OK" or for a short while.
    std::string Exchange(const std::string& request)
    {
        Write(request);
        return ReadUntil("OK\r\n", std::chrono::milliseconds(150));
    }

    using Clock = std::chrono::steady_clock;
    platform::SerialPort port;
    std::vector<Clock::time_point> arrivals;
};

}  // namespace testsupport
