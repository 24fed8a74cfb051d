#pragma once
// A small stand-in device for transport tests: a store of words and their values. "+word" reads a
// word (">value\r\nOK\r\n"), "+word" followed by more text writes it ("OK\r\n"), "CABLE CONNECT" is
// acknowledged, anything else gets "NOK\r\n".
#include <map>
#include <mutex>
#include <string>

#include "sim/Responder.h"

namespace testsupport {

class StoreResponder : public sim::Responder {
public:
    StoreResponder() = default;
    explicit StoreResponder(std::map<std::string, std::string> values) : values_(std::move(values)) {}

    std::string Answer(const std::string& request) override;

    void Set(const std::string& word, const std::string& value);
    std::string Get(const std::string& word) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> values_;
};

}  // namespace testsupport
