// sorvel-sim: a simulated Sorvel GSM-7-QX3 on a pseudo-terminal. Its port appears as a link in the
// program's "ports" folder, where the configuration program finds it; the link goes when the simulator
// ends (Ctrl+C, a termination signal, or the device vanishing by a fault).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "platform/WholeFile.h"
#include "sim/Communicator.h"
#include "sim/FaultText.h"
#include "sim/Line.h"
#include "sim/Modem.h"
#include "sim/Pty.h"
#include "sim/StateFile.h"

namespace {

constexpr const char* kUsage = R"(Usage: sorvel-sim [options]
  --ports DIR          folder for the port's link (default: the program's "ports" folder)
  --name NAME          name of the link (default: sorvel-sim)
  --baud N             line speed in bits per second, 10 bits a byte, each byte handed over once its
                       time on the wire is over; 0 answers at once (default: 19200)
  --no-pace-requests   the program's requests arrive at once, as a pseudo-terminal passes them; by
                       default they take their time on the wire too, as on a real line
  --pace-requests      the default, said explicitly
  --chunks N[,MS]      every reply reaches the program in irregular chunks of 1 to N bytes with gaps
                       of up to MS milliseconds (default 20), as USB adapters pass a line on
  --answer-delay MS    the device takes MS milliseconds over every request before it answers (0)
  --seed N             draw version, panel, hardware byte, IMEI and master key from N; also seeds
                       the random faults and the shapes of faults and chunks (sizes, gaps, places)
  --version TEXT       reply to "v" (default: REV 11.005.120)
  --panel KIND         altonika, bolid or paradox (default: altonika)
  --hardware HH        processor and flash byte read by "typepan1" (default: 78)
  --imei DIGITS        IMEI of the GSM module
  --master-key DDDD    master key (default: 5816)
  --history N          events already in the history (default: 1000)
  --value KEY=TEXT     the device holds TEXT under KEY (a command word and its index) in place of
                       its factory value, e.g. GAPN0=internet.book.ru; may be given again
  --fault FAULT[:WORD[:COUNT]]  the next COUNT requests of the command word WORD (every request
                       when no word is given; COUNT -1: all of them, the default) on the cable port
                       get FAULT; may be given again
  --random-faults P    each request on the cable port gets a fault drawn at random from the pool with
                       probability P (0..1)
  --random-pool FAULT  a fault of that pool; may be given again (default pool: every fault below
                       but vanish, with its default numbers)
  --echo               the line hears itself: every request comes back, with its CR, before its reply
  --vanish-after N     the device answers N requests, then is gone when the next one comes
  --modem              also offer the same device behind a simulated GSM modem, on a second port
                       named NAME-modem (dial any number), paced like the cable port
  --state-file FILE    keep the device's state in FILE (profile, values, newest history records, login,
                       resets, the firmware taken), written whole after every request that changed it:
                       what a program that cannot look into the simulator holds its own results against
  --verbose            print every request and reply
  --help               this text

FAULT is KIND or KIND=A or KIND=A,B:
  silence              no reply at all
  nok                  "NOK" instead of the reply
  garbage[=N]          N random bytes instead of the reply (16)
  split[=N,MS]         the reply in chunks of N bytes, MS milliseconds apart (4,30)
  late[=MS]            the reply MS milliseconds late (11000)
  late-upto[=MS]       the reply late by a delay drawn between 0 and MS milliseconds (12000)
  echo                 the request echoed before the reply
  vanish[=N]           the first N bytes of the reply, then the device is gone (3)
  chunks[=N,MS]        the reply in chunks of 1 to N bytes with gaps of up to MS milliseconds (16,20)
  split-at[=N,MS]      the reply cut once after N bytes, its rest MS milliseconds later; N 0 draws
                       the place (0,20)
  twice[=MS]           the reply, then the same reply again right after it, or MS milliseconds after
                       it (0)
  twice-apart[=MS]     the same, the copy MS milliseconds after the reply (30)
  pause[=MS]           the reply held back MS milliseconds right after its value, before its closing
                       line break and "OK" (150)
  lost                 one byte of the reply's value lost
  corrupt              a noise byte in place of one byte of the reply's value, or added to it
  noise[=N]            N noise bytes (control characters or ">") before the reply (1)
)";

struct Options {
    std::filesystem::path ports;
    std::filesystem::path stateFile;
    std::string name = "sorvel-sim";
    std::uint32_t baud = sim::Line::kDefaultBaud;
    std::optional<std::uint32_t> seed;
    std::optional<std::string> version, panel, hardware, imei, masterKey;
    std::optional<int> history;
    std::optional<std::size_t> vanishAfter;
    std::map<std::string, std::string> values;
    std::vector<std::string> faults;
    std::vector<std::string> pool;
    double randomFaults = 0;
    std::size_t chunkBytes = 0;
    std::chrono::milliseconds chunkGap{20};
    std::chrono::milliseconds answerDelay{0};
    bool verbose = false;
    bool modem = false;
    bool paceRequests = true;
    bool echo = false;
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

// A fault as the options write it; a mistake ends the program with the usage.
sim::Fault ParseFault(const std::string& text)
{
    try {
        return sim::ParseFault(text);
    } catch (const std::invalid_argument& e) {
        Fail(e.what());
    }
}

// The numbers are those of the chunks fault: the most bytes in a chunk, the longest gap.
void SetChunks(Options& o, const std::string& value)
{
    const sim::Fault chunks = ParseFault("chunks=" + value);
    o.chunkBytes = chunks.bytes;
    o.chunkGap = chunks.pause;
}

void SetValue(Options& o, const std::string& value)
{
    const std::size_t eq = value.find('=');
    const std::string key = value.substr(0, eq);
    if (eq == std::string::npos || !sim::DeviceStore(sim::DeviceProfile{}).Has(key))
        Fail("--value wants KEY=TEXT with a key the device keeps (GAPN0, phing1, ...), not \"" + value + "\"");
    o.values[key] = platform::Utf8ToCp1251Lossy(value.substr(eq + 1));
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
        bool* const flag = arg == "--verbose" ? &o.verbose
                           : arg == "--modem" ? &o.modem
                           : arg == "--echo"  ? &o.echo
                                              : nullptr;
        if (flag != nullptr || arg == "--pace-requests" || arg == "--no-pace-requests") {
            if (flag != nullptr) *flag = true;
            else o.paceRequests = arg == "--pace-requests";
            continue;
        }
        if (i + 1 >= argc) Fail(arg == "" ? "empty option" : "unknown option or missing value: " + arg);
        const std::string value = argv[++i];
        if (arg == "--ports") o.ports = value;
        else if (arg == "--state-file") o.stateFile = value;
        else if (arg == "--name") o.name = value;
        else if (arg == "--baud") o.baud = static_cast<std::uint32_t>(Number(value, arg));
        else if (arg == "--seed") o.seed = static_cast<std::uint32_t>(Number(value, arg));
        else if (arg == "--version") o.version = value;
        else if (arg == "--panel") o.panel = value;
        else if (arg == "--hardware") o.hardware = value;
        else if (arg == "--imei") o.imei = value;
        else if (arg == "--master-key") o.masterKey = value;
        else if (arg == "--history") o.history = static_cast<int>(Number(value, arg));
        else if (arg == "--vanish-after") o.vanishAfter = static_cast<std::size_t>(std::max(Number(value, arg), 0LL));
        else if (arg == "--value") SetValue(o, value);
        else if (arg == "--chunks") SetChunks(o, value);
        else if (arg == "--answer-delay") o.answerDelay = std::chrono::milliseconds(Number(value, arg));
        else if (arg == "--fault") o.faults.push_back(value);
        else if (arg == "--random-pool") o.pool.push_back(value);
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
    p.values = o.values;
    return p;
}

std::vector<sim::Fault> Pool(const Options& o)
{
    std::vector<sim::Fault> pool;
    for (const std::string& item : o.pool) pool.push_back(ParseFault(item));
    return pool.empty() ? sim::DefaultFaultPool() : pool;
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
        const sim::Fault fault = ParseFault(item.substr(0, c1));
        const std::string word = c1 == std::string::npos ? "" : item.substr(c1 + 1, c2 - c1 - 1);
        const int count = c2 == std::string::npos ? -1 : static_cast<int>(Number(item.substr(c2 + 1), "--fault"));
        if (word.empty()) {
            line.AddFault([](const std::string&) { return true; }, fault, count);
        } else {
            line.AddFault([word, words](const std::string& r) { return WordOf(r, words) == word; }, fault, count);
        }
    }
    const std::vector<sim::Fault> pool = Pool(o);
    if (o.randomFaults > 0) line.SetRandomFaults(pool, o.randomFaults, o.seed.value_or(1));
}

// The line as the options set it: speed, pacing, echo, chunks and the seed of the faults' shapes.
void SetUpLine(const Options& o, sim::Line& line)
{
    line.SetLineSpeed(o.baud);
    line.SetRequestPacing(o.paceRequests);
    line.SetEcho(o.echo);
    line.SetChunking(o.chunkBytes, o.chunkGap);
    line.SetAnswerDelay(o.answerDelay);
    if (o.seed) line.SetSeed(*o.seed);
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

// Writes the device's state after every request that changed it, before the reply goes out.
class StateKeeping final : public sim::Responder {
public:
    StateKeeping(sim::Responder& inner, const sim::Communicator& device, std::filesystem::path file)
        : inner_(inner), device_(device), file_(std::move(file))
    {
        Keep();
    }
    std::string Answer(const std::string& request) override
    {
        std::string reply = inner_.Answer(request);
        Keep();
        return reply;
    }

private:
    void Keep()
    {
        const std::lock_guard lock(mutex_);
        std::string state = sim::StateText(device_);
        if (state == written_) return;
        platform::ReplaceFileContents(file_, state);
        written_ = std::move(state);
    }
    sim::Responder& inner_;
    const sim::Communicator& device_;
    const std::filesystem::path file_;
    std::mutex mutex_;
    std::string written_;
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
    std::optional<StateKeeping> keeping;
    if (!o.stateFile.empty()) keeping.emplace(device, device, o.stateFile);
    sim::Responder& answering = keeping ? static_cast<sim::Responder&>(*keeping) : device;
    Printing printing(answering);
    sim::Pty pty(ports, o.name);
    sim::Line line(pty, o.verbose ? static_cast<sim::Responder&>(printing) : answering);
    SetUpLine(o, line);
    AddFaults(o, line, device.Words());
    if (o.vanishAfter) line.VanishAfter(*o.vanishAfter);
    std::optional<sim::ModemLine> modem;
    if (o.modem) {
        modem.emplace(o.verbose ? static_cast<sim::Responder&>(printing) : answering, ports, o.name + "-modem");
        SetUpLine(o, modem->line());
    }

    std::cout << "sorvel-sim: " << pty.LinkPath().string() << " -> " << pty.SlavePath() << "\n"
              << "  " << profile.version << ", panel " << PanelName(profile.panel) << ", hardware "
              << profile.hardware << ", IMEI " << profile.imei << ", master key " << profile.masterKey << ", "
              << profile.historyRecords << " events, " << o.baud << " baud"
              << (o.paceRequests ? "" : ", requests unpaced") << std::endl;
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
