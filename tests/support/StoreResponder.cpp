#include "tests/support/StoreResponder.h"

namespace testsupport {

std::string StoreResponder::Answer(const std::string& request)
{
    if (request == "CABLE CONNECT") return "OK\r\n";
    if (request.empty() || request.front() != '+') return "NOK\r\n";
    const std::string body = request.substr(1);
    const std::lock_guard lock(mutex_);
    // The longest known word that starts the body; what follows it is a value to store.
    auto best = values_.end();
    for (auto it = values_.begin(); it != values_.end(); ++it)
        if (body.starts_with(it->first) && (best == values_.end() || it->first.size() > best->first.size())) best = it;
    if (best == values_.end()) return "NOK\r\n";
    if (body.size() == best->first.size()) return ">" + best->second + "\r\nOK\r\n";
    best->second = body.substr(best->first.size());
    return "OK\r\n";
}

void StoreResponder::Set(const std::string& word, const std::string& value)
{
    const std::lock_guard lock(mutex_);
    values_[word] = value;
}

std::string StoreResponder::Get(const std::string& word) const
{
    const std::lock_guard lock(mutex_);
    const auto it = values_.find(word);
    return it == values_.end() ? std::string() : it->second;
}

}  // namespace testsupport
