#include "link/COMUtils.h"

#include <algorithm>
#include <climits>
#include <stdexcept>


namespace {

// The port's own name: the part after the last separator.
std::string_view OwnName(std::string_view name)
{
    const auto slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The sort key of a port number: a name without digits after every numbered one.
long long SortNumber(const std::string& name)
{
    const int n = PortNumberOf(name);
    return n < 0 ? static_cast<long long>(INT_MAX) + 1 : n;
}

// Ascending by number, equal numbers by name.
bool PortBefore(const std::string& a, const std::string& b)
{
    const long long na = SortNumber(a);
    const long long nb = SortNumber(b);
    return na != nb ? na < nb : a < b;
}

// Time to send Count characters at the port's speed, twice over, plus a margin.
std::uint64_t SendBoundMs(const platform::KernelPort& Port, std::size_t Count)
{
    return Count * 10 * 1000 * 2 / std::max<std::uint32_t>(Port.Settings().baud, 1) + 200;
}

constexpr std::uint32_t kPollMs = 20;
// The automatic search's pause between two looks at a port.
constexpr std::uint32_t kProbePollMs = 50;

}  // namespace

void EnumSerialPorts(std::vector<std::string>& Ports, bool MarkCp2102)
{
    EnumSerialPorts(Ports, MarkCp2102, platform::SystemSerialPortSources());
}

void EnumSerialPorts(std::vector<std::string>& Ports, bool MarkCp2102, const platform::SerialPortSources& Sources)
{
    std::vector<platform::SerialPortEntry> found = platform::ListSerialPorts(Sources);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return PortBefore(a.path, b.path); });
    std::vector<std::string> entries;
    entries.reserve(found.size());
    for (const auto& port : found)
        entries.push_back(MarkCp2102 && platform::IsCp2102Port(port) ? port.path + Cp2102Mark : port.path);
    Ports = std::move(entries);
}

int PortNumberOf(const std::string& Name)
{
    const std::string_view own = OwnName(Name);
    const auto first = own.find_first_of("0123456789");
    if (first == std::string_view::npos) return -1;
    long long number = 0;
    for (std::size_t i = first; i < own.size() && own[i] >= '0' && own[i] <= '9'; ++i)
        number = std::min<long long>(number * 10 + (own[i] - '0'), INT_MAX);
    return static_cast<int>(number);
}

int ComparePortNumbers(const std::vector<std::string>& List, int Index1, int Index2)
{
    const auto number = [&](int index) {
        if (index < 0) throw std::out_of_range("port index " + std::to_string(index));
        return SortNumber(List.at(static_cast<std::size_t>(index)));
    };
    const long long a = number(Index1);
    const long long b = number(Index2);
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool OpenComPort(const std::string& PortName, int Baud, TComHandle& Handle, platform::Clock& Clock)
{
    Handle.Port.reset();
    auto port = platform::MakeSerialPort(Clock);
    try {
        port->Open(PortName);
    } catch (const platform::SerialPortError&) {
        return false;
    }
    Handle.Port = std::move(port);
    try {
        if (!SetComBaud(Handle, Baud)) throw std::runtime_error("line settings refused");
        // Where the system keeps queues of its own, they get the sizes the automatic search reads with.
        Handle.Port->SetQueueSizes(2048, 2048);
        Handle.Port->PurgeInput();
        Handle.Port->PurgeOutput();
    } catch (const std::exception&) {
        CloseComPort(Handle);
        return false;
    }
    try {
        Handle.Port->SetDtr(false);
        Handle.Port->SetRts(true);
    } catch (const platform::SerialPortError&) {
        // The modem lines are a courtesy to adapters that power themselves from them; the port works without.
    }
    return true;
}

bool SetComBaud(TComHandle& Handle, int Baud)
{
    if (!Handle.Valid() || Baud <= 0) return false;
    platform::LineSettings settings;
    settings.baud = static_cast<std::uint32_t>(Baud);
    try {
        Handle.Port->Configure(settings);
        return true;
    } catch (const platform::SerialPortError&) {
        return false;
    }
}

bool CloseComPort(TComHandle& Handle)
{
    if (!Handle.Valid()) return true;
    bool flushed = true;
    try {
        Handle.Port->DrainOutput();
        // What could not leave in time is dropped, so that closing the device cannot wait on it.
        Handle.Port->PurgeOutput();
    } catch (const platform::SerialPortError&) {
        flushed = false;
    }
    Handle.Port.reset();
    return flushed;
}

int ReadComPort(TComHandle& Handle, std::span<char> Buffer)
{
    if (!Handle.Valid() || Buffer.empty()) return 0;
    try {
        const std::size_t waiting = Handle.Port->InputWaiting();
        if (waiting == 0) return 0;
        return static_cast<int>(Handle.Port->ReadSome(Buffer.data(), std::min(waiting, Buffer.size())));
    } catch (const platform::SerialPortError&) {
        return 0;
    }
}

void ReadComString(TComHandle& Handle, std::string& S)
{
    S.clear();
    std::vector<char> buffer(ComReadBufferSize);
    const int count = ReadComPort(Handle, buffer);
    if (count <= 0) return;
    S.assign(buffer.data(), static_cast<std::size_t>(count));
    std::replace(S.begin(), S.end(), '\0', ' ');
}

int WriteComPort(TComHandle& Handle, const std::string& S)
{
    if (!Handle.Valid()) return -1;
    platform::KernelPort& port = *Handle.Port;
    platform::SteadyClock real;
    std::size_t sent = 0;
    try {
        // The bound is real time: a stuck line must not hold the caller, whatever clock the tests run.
        platform::PollUntil(
            platform::Deadline(real, static_cast<std::int64_t>(SendBoundMs(port, S.size()))), kPollMs,
            [&] {
                for (std::size_t n = 1; sent < S.size() && n > 0;) {
                    n = port.WriteSome(S.data() + sent, S.size() - sent);
                    sent += n;
                }
                return sent == S.size();
            },
            [&port](std::uint32_t realMs) { return port.WaitWritable(realMs); });
    } catch (const platform::SerialPortError&) {
        return -1;
    }
    return static_cast<int>(sent);
}

void DebugTrace(const std::string& Msg)
{
    static_cast<void>(Msg);
}

TProbeResult ProbeComPort(const std::string& PortName, int Baud, const std::string& Query,
                          const std::string& Expected, int TimeoutMs, const EventPump& Pump,
                          const std::function<bool()>& Cancelled, platform::Clock& Clock,
                          const std::function<void()>& Opened)
{
    TComHandle handle;
    if (!OpenComPort(PortName, Baud, handle, Clock)) return TProbeResult::CannotOpen;
    struct Closer {
        TComHandle& Handle;
        ~Closer() { CloseComPort(Handle); }
    } const closer{handle};
    if (Opened) Opened();
    DebugTrace("probe " + PortName);
    if (WriteComPort(handle, Query) != static_cast<int>(Query.size()))
        throw std::runtime_error("запрос не передан в порт " + PortName);
    std::string reply;
    std::string chunk;
    bool cancelled = false;
    const auto look = [&] {
        if (Cancelled && Cancelled()) return cancelled = true;
        // Raises for a port that went away: that is an error of this port, not a silent one.
        handle.Port->InputWaiting();
        ReadComString(handle, chunk);
        reply += chunk;
        if (reply.find(Expected) != std::string::npos) return true;
        // A port that streams without ever answering must not fill memory: keep the tail that may
        // still hold the start of the answer.
        if (reply.size() > 2 * ComReadBufferSize) reply.erase(0, reply.size() - std::min(reply.size(), Expected.size()));
        return false;
    };
    const bool done =
        platform::PollUntil(platform::Deadline(Clock, TimeoutMs), kProbePollMs, look,
                            [&handle](std::uint32_t realMs) { return handle.Port->WaitReadable(realMs); }, Pump);
    if (done) return cancelled ? TProbeResult::Cancelled : TProbeResult::Found;
    return TProbeResult::Silent;
}
