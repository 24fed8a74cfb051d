#pragma once
// The transport under the device protocol object: writes a request and reads the reply until a
// terminator, a time-out or a closed port. Strings here are the bytes on the wire (Windows-1251 text);
// the device protocol object converts to and from UTF-8. Time-outs are in milliseconds; a negative one
// counts as 0.
#include <cstdint>
#include <string>
#include <vector>

class TCommunication {
public:
    virtual ~TCommunication() = default;

    virtual int GetTimeout() = 0;
    virtual bool Write(const std::string& S) = 0;
    virtual bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) = 0;
    virtual bool WaitForDefault(std::string& Answer, const std::string& Terminator) = 0;
    virtual bool WaitForAnyDefault(std::string& Answer, const std::vector<std::string>& Terminators) = 0;
    virtual bool ReadAndCheck(std::string& Answer, const std::string& Expected) = 0;
    virtual bool ExpectUntil(const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool Expect(const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool ExpectAny(const std::vector<std::string>& Terminators, int TimeoutMs) = 0;
    virtual bool ExpectDefault(const std::string& Terminator) = 0;
    virtual bool ExpectAnyDefault(const std::vector<std::string>& Terminators) = 0;
};
