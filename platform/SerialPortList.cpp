#include "platform/SerialPortList.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/ProgramFolder.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> SortedEntries(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The driver's name: the last step of the device's "driver" link; empty when the device has none
// (virtual consoles, pseudo-terminals, the console itself).
std::string DriverOf(const fs::path& ttyEntry)
{
    std::error_code error;
    const fs::path target = fs::read_symlink(ttyEntry / "device" / "driver", error);
    return error ? std::string() : target.filename().string();
}

std::optional<int> TypeAttribute(const fs::path& ttyEntry)
{
    std::ifstream in(ttyEntry / "type");
    int type = 0;
    if (in >> type) return type;
    return std::nullopt;
}

// A UART the serial core manages: the kernel creates such ports whether or not a chip answers there.
bool IsBuiltInUart(const std::string& name, const std::string& driver)
{
    return name.starts_with("ttyS") || driver == "serial8250";
}

bool HardwarePresent(const fs::path& ttyEntry, const fs::path& device, const std::string& driver,
                     const SerialPortSources& sources)
{
    std::optional<int> type = TypeAttribute(ttyEntry);
    if (!type && IsBuiltInUart(ttyEntry.filename().string(), driver) && sources.serialType)
        type = sources.serialType(device);
    if (type) return *type != PORT_UNKNOWN;
    // Neither sysfs nor the device says: a port without the serial core's type (USB, CDC-ACM) is real
    // when it has a driver; a built-in UART that cannot be asked is not offered.
    return !IsBuiltInUart(ttyEntry.filename().string(), driver);
}

void AddKernelPorts(const SerialPortSources& sources, std::vector<SerialPortEntry>& ports)
{
    for (const fs::path& entry : SortedEntries(sources.sysfsRoot / "class" / "tty")) {
        const std::string driver = DriverOf(entry);
        if (driver.empty()) continue;
        const fs::path device = sources.devFolder / entry.filename();
        if (!HardwarePresent(entry, device, driver, sources)) continue;
        ports.push_back(SerialPortEntry{device.string(), driver});
    }
}

bool IsCharacterDevice(const fs::path& path)
{
    std::error_code error;
    return fs::is_character_file(path, error);  // follows links: a dangling link is none
}

void AddLinkedPorts(const SerialPortSources& sources, std::vector<SerialPortEntry>& ports)
{
    if (sources.portsFolder.empty()) return;
    for (const fs::path& entry : SortedEntries(sources.portsFolder))
        if (IsCharacterDevice(entry)) ports.push_back(SerialPortEntry{entry.string(), {}});
}

}  // namespace

SerialPortSources SystemSerialPortSources()
{
    SerialPortSources sources;
    try {
        sources.portsFolder = ProgramFolder() / "ports";
    } catch (const std::exception&) {
        // Without a program folder there is no ports folder to look in; the kernel's ports remain.
    }
    sources.serialType = QuerySerialType;
    return sources;
}

std::vector<SerialPortEntry> ListSerialPorts(const SerialPortSources& sources)
{
    std::vector<SerialPortEntry> ports;
    AddKernelPorts(sources, ports);
    AddLinkedPorts(sources, ports);
    return ports;
}

bool IsCp2102Port(const SerialPortEntry& port)
{
    return port.driver == "cp210x";
}

std::optional<int> QuerySerialType(const fs::path& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    serial_struct info{};
    const bool asked = ::ioctl(fd, TIOCGSERIAL, &info) == 0;
    ::close(fd);
    if (!asked) return std::nullopt;
    return info.type;
}

}  // namespace platform
