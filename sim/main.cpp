// sorvel-sim: a simulated Sorvel GSM-7-QX3 on a pseudo-terminal. Its port appears as a link in the
// program's "ports" folder, where the configuration program finds it; the link goes when the simulator
// ends (Ctrl+C, a termination signal, or the device vanishing by a fault).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Modem.h"
#include "sim/Pty.h"

namespace {

constexpr const char* kUsage = R"(Usage: sorvel-sim [options]
  --ports DIR          folder for the port's link (default: the program's "ports" folder)
  --name NAME          name of the link (default: sorvel-sim)
  --baud N             line speed in bits per second; 0 answers at once (default: 19200)
  --pace-requests      let the program's requests take their time on the wire too, as on a real line
  --seed N             draw version, panel, hardware byte, IMEI and master key from N; also seeds
                       the random faults
  --version TEXT       reply to "v" (default: REV 11.005.120)
  --panel KIND         altonika, bolid or paradox (default: altonika)
  --hardware HH        processor and flash byte read by "typepan1" (default: 78)
  --imei DIGITS        IMEI of the GSM module
  --master-key DDDD    master key (default: 5816)
  --history N          events already in the history (default: 1000)
  --fault KIND[:WORD[:COUNT]]  the next COUNT requests of the command word WORD (every
                       request when no word is given; COUNT -1: all of them, the default) get the
                       fault KIND: silence, nok, garbage, split, late, echo or vanish
  --random-faults P    each request gets a fault drawn at random with probability P (0..1)
  --modem              also offer the same device behind a simulated GSM modem, on a second port
                       named NAME-modem (dial any number)
  --verbose            print every request and reply
  --help               this text
)";

struct Options {
    std::filesystem::path ports;
    std::string name = "sorvel-sim";
    std::uint32_t baud = sim::Line::kDefaultBaud;
    std::optional<std::uint32_t> seed;
    std::optional<std::string> version, panel, hardware, imei, masterKey;
    std::optional<int> history;
    std::vector<std::string> faults;
    double randomFaults = 0;
    bool verbose = false;
    bool modem = false;
    bool paceRequests = false;
};

[[noreturn]] void Fail(const std::string& message)
{
    std::cerr << "sorvel-sim: " << message << "\n" << kUsage;
    std::exit(2);
}

long long Number(const std::string& text, const std::string& option)
{
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    Fail(option + " wants a number, not \"" + text + "\"");
}

Options Parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (arg == "--verbose") {
            o.verbose = true;
            continue;
        }
        if (arg == "--modem") {
            o.modem = true;
            continue;
        }
        if (arg == "--pace-requests") {
            o.paceRequests = true;
            continue;
        }
        if (i + 1 >= argc) Fail(arg == "" ? "empty option" : "unknown option or missing value: " + arg);
        const std::string value = argv[++i];
        if (arg == "--ports") o.ports = value;
        else if (arg == "--name") o.name = value;
        else if (arg == "--baud") o.baud = static_cast<std::uint32_t>(Number(value, arg));
        else if (arg == "--seed") o.seed = static_cast<std::uint32_t>(Number(value, arg));
        else if (arg == "--version") o.version = value;
        else if (arg == "--panel") o.panel = value;
        else if (arg == "--hardware") o.hardware = value;
        else if (arg == "--imei") o.imei = value;
        else if (arg == "--master-key") o.masterKey = value;
        else if (arg == "--history") o.history = static_cast<int>(Number(value, arg));
        else if (arg == "--fault") o.faults.push_back(value);
        else if (arg == "--random-faults") {
            try {
                o.randomFaults = std::stod(value);
            } catch (const std::exception&) {
                Fail("--random-faults wants a probability between 0 and 1");
            }
        } else Fail("unknown option: " + arg);
    }
    return o;
}

sim::DeviceProfile Profile(const Options& o)
{
    sim::DeviceProfile p = o.seed ? sim::RandomProfile(*o.seed) : sim::DeviceProfile{};
    if (o.version) p.version = *o.version;
    if (o.panel) {
        if (*o.panel == "altonika") p.panel = sim::PanelKind::Altonika;
        else if (*o.panel == "bolid") p.panel = sim::PanelKind::Bolid;
        else if (*o.panel == "paradox") p.panel = sim::PanelKind::Paradox;
        else Fail("--panel is altonika, bolid or paradox");
    }
    if (o.hardware) p.hardware = *o.hardware;
    if (o.imei) p.imei = *o.imei;
    if (o.masterKey) p.masterKey = *o.masterKey;
    if (o.history) p.historyRecords = std::max(*o.history, 0);
    return p;
}

// Faults as a user means them: long enough to be seen on a line with the program's 10-second waits.
std::optional<sim::Fault> FaultOfKind(const std::string& kind)
{
    using namespace std::chrono_literals;
    if (kind == "silence") return sim::Fault{sim::FaultKind::Silence};
    if (kind == "nok") return sim::Fault{sim::FaultKind::Nok};
    if (kind == "garbage") return sim::Fault{sim::FaultKind::Garbage, 16};
    if (kind == "split") return sim::Fault{sim::FaultKind::Split, 4, 30ms};
    if (kind == "late") return sim::Fault{sim::FaultKind::Late, 0, 11'000ms};
    if (kind == "echo") return sim::Fault{sim::FaultKind::Echo};
    if (kind == "vanish") return sim::Fault{sim::FaultKind::Vanish, 3};
    return std::nullopt;
}

// The word a request is for, matched as the device matches it (longest first).
std::string WordOf(const std::string& request, const std::vector<std::string>& words)
{
    if (request.empty() || request.front() != '+') return request;
    for (const std::string& w : words)
        if (request.compare(1, w.size(), w) == 0) return w;
    return {};
}

void AddFaults(const Options& o, sim::Line& line, const std::vector<std::string>& words)
{
    for (const std::string& item : o.faults) {
        const std::size_t c1 = item.find(':');
        const std::size_t c2 = c1 == std::string::npos ? std::string::npos : item.find(':', c1 + 1);
        const auto fault = FaultOfKind(item.substr(0, c1));
        if (!fault) Fail("unknown fault in \"" + item + "\"");
        const std::string word = c1 == std::string::npos ? "" : item.substr(c1 + 1, c2 - c1 - 1);
        const int count = c2 == std::string::npos ? -1 : static_cast<int>(Number(item.substr(c2 + 1), "--fault"));
        if (word.empty()) {
            line.AddFault([](const std::string&) { return true; }, *fault, count);
        } else {
            line.AddFault([word, words](const std::string& r) { return WordOf(r, words) == word; }, *fault, count);
        }
    }
    if (o.randomFaults > 0) {
        std::vector<sim::Fault> pool;
        for (const char* kind : {"silence", "nok", "garbage", "split", "late", "echo"}) pool.push_back(*FaultOfKind(kind));
        line.SetRandomFaults(pool, o.randomFaults, o.seed.value_or(1));
    }
}

// Prints each exchange as it happens.
class Printing final : public sim::Responder {
public:
    explicit Printing(sim::Responder& inner) : inner_(inner) {}
    std::string Answer(const std::string& request) override
    {
        std::string reply = inner_.Answer(request);
        const std::lock_guard lock(mutex_);
        std::cout << "<< " << Visible(request) << "\n>> " << Visible(reply) << std::endl;
        return reply;
    }

private:
    static std::string Visible(const std::string& bytes)
    {
        std::string out;
        for (const char c : bytes) {
            if (c == '\r') out += "\\r";
            else if (c == '\n') out += "\\n";
            else out += c;
        }
        return out;
    }
    sim::Responder& inner_;
    std::mutex mutex_;
};

const char* PanelName(sim::PanelKind panel)
{
    switch (panel) {
    case sim::PanelKind::Bolid: return "Bolid";
    case sim::PanelKind::Paradox: return "Paradox";
    case sim::PanelKind::Altonika: break;
    }
    return "Altonika";
}

int Run(const Options& o)
{
    // Signals are taken by this thread alone, so the link is removed by the destructors on the way out.
    sigset_t stop;
    sigemptyset(&stop);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stop, s);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    const std::filesystem::path ports = o.ports.empty() ? platform::ProgramFolder() / "ports" : o.ports;
    std::filesystem::create_directories(ports);
    const sim::DeviceProfile profile = Profile(o);
    sim::Communicator device(profile);
    Printing printing(device);
    sim::Pty pty(ports, o.name);
    sim::Line line(pty, o.verbose ? static_cast<sim::Responder&>(printing) : device);
    line.SetLineSpeed(o.baud);
    line.SetRequestPacing(o.paceRequests);
    AddFaults(o, line, device.Words());
    std::optional<sim::ModemLine> modem;
    if (o.modem) {
        modem.emplace(o.verbose ? static_cast<sim::Responder&>(printing) : device, ports, o.name + "-modem");
        modem->line().SetLineSpeed(o.baud);
        modem->line().SetRequestPacing(o.paceRequests);
    }

    std::cout << "sorvel-sim: " << pty.LinkPath().string() << " -> " << pty.SlavePath() << "\n"
              << "  " << profile.version << ", panel " << PanelName(profile.panel) << ", hardware "
              << profile.hardware << ", IMEI " << profile.imei << ", master key " << profile.masterKey << ", "
              << profile.historyRecords << " events, " << o.baud << " baud" << std::endl;
    if (modem) std::cout << "sorvel-sim: modem " << modem->pty().LinkPath().string() << std::endl;

    const timespec tick{0, 200'000'000};
    while (!line.Vanished()) {
        const int s = sigtimedwait(&stop, nullptr, &tick);
        if (s > 0) break;
    }
    std::cout << (line.Vanished() ? "sorvel-sim: the device vanished" : "sorvel-sim: stopped") << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = Parse(argc, argv);
    try {
        return Run(options);
    } catch (const std::exception& e) {
        std::cerr << "sorvel-sim: " << e.what() << "\n";
        return 1;
    }
}
