#include "sim/FaultText.h"

#include <algorithm>
#include <charconv>

namespace sim {

using namespace std::chrono_literals;

const std::vector<FaultForm>& FaultKinds()
{
    using enum FaultArg;
    static const std::vector<FaultForm> forms{
        {"silence", None, None, {FaultKind::Silence}, true},
        {"nok", None, None, {FaultKind::Nok}, true},
        {"garbage", Bytes, None, {FaultKind::Garbage, 16}, true},
        {"split", Bytes, Pause, {FaultKind::Split, 4, 30ms}, true},
        {"late", Pause, None, {FaultKind::Late, 0, 11'000ms}, true},
        {"late-upto", Pause, None, {FaultKind::LateUpTo, 0, 12'000ms}, true},
        {"echo", None, None, {FaultKind::Echo}, true},
        {"vanish", Bytes, None, {FaultKind::Vanish, 3}, false},
        {"chunks", Bytes, Pause, {FaultKind::Chunks, 16, 20ms}, true},
        {"split-at", Bytes, Pause, {FaultKind::SplitAt, 0, 20ms}, true},
        {"twice", Pause, None, {FaultKind::Twice}, true},
        {"twice-apart", Pause, None, {FaultKind::Twice, 0, 30ms}, true},
        {"pause", Pause, None, {FaultKind::Pause, 0, 150ms}, true},
        {"lost", None, None, {FaultKind::Lost}, true},
        {"corrupt", None, None, {FaultKind::Corrupt}, true},
        {"noise", Bytes, None, {FaultKind::Noise, 1}, true},
    };
    return forms;
}

namespace {

long long Number(std::string_view text, const std::string& name)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        throw std::invalid_argument("the fault " + name + " wants numbers of 0 or more, not \"" + std::string(text) +
                                    "\"");
    return value;
}

}  // namespace

Fault ParseFault(std::string_view text)
{
    const std::size_t eq = text.find('=');
    const std::string name(text.substr(0, eq));
    const auto& forms = FaultKinds();
    const auto form = std::find_if(forms.begin(), forms.end(), [&](const FaultForm& f) { return name == f.name; });
    if (form == forms.end()) throw std::invalid_argument("unknown fault \"" + name + "\"");
    Fault fault = form->defaults;
    if (eq == std::string_view::npos) return fault;
    std::string_view numbers = text.substr(eq + 1);
    for (const FaultArg arg : {form->first, form->second}) {
        const std::size_t comma = std::min(numbers.find(','), numbers.size());
        if (arg == FaultArg::None) throw std::invalid_argument("the fault " + name + " takes fewer numbers");
        const long long value = Number(numbers.substr(0, comma), name);
        if (arg == FaultArg::Bytes) fault.bytes = static_cast<std::size_t>(value);
        else fault.pause = std::chrono::milliseconds(value);
        if (comma == numbers.size()) return fault;
        numbers.remove_prefix(comma + 1);
    }
    throw std::invalid_argument("the fault " + name + " takes fewer numbers");
}

std::vector<Fault> DefaultFaultPool()
{
    std::vector<Fault> pool;
    for (const FaultForm& form : FaultKinds())
        if (form.pooled) pool.push_back(form.defaults);
    return pool;
}

}  // namespace sim
