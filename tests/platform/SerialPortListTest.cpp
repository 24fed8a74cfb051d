#include "platform/SerialPortList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/Pty.h"
#include "tests/support/FakeSysfs.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Paths(const std::vector<platform::SerialPortEntry>& ports)
{
    std::vector<std::string> paths;
    for (const auto& p : ports) paths.push_back(p.path);
    return paths;
}

}  // namespace

// The kernel's ports that have a driver and a real UART, then the links in the ports folder that lead to a
// live character device (sorvel-sim's terminal, a user's virtual port).
TEST(SerialPortList, KernelPortsWithADriverAndRealUartsThenLinksToLiveDevices)
{
    testsupport::FakeSysfs sysfs;
    sysfs.AddTty("ttyUSB0", "cp210x");
    sysfs.AddTty("ttyS0", "serial8250", 4);  // a 16550A answers there
    sysfs.AddTty("ttyS1", "serial8250", 0);  // PORT_UNKNOWN: the kernel's placeholder
    sysfs.AddTty("ttyAMA0", "uart-pl011", 0);
    sysfs.AddTty("tty0");                    // virtual console: no device
    sysfs.AddTty("ptmx");
    // No type attribute: the device itself is asked.
    sysfs.AddTty("ttyS2", "serial8250");
    sysfs.AddTty("ttyS3", "serial8250");
    sysfs.AddTty("ttyS4", "serial8250");
    const sim::Pty pty(sysfs.Ports(), "sim0");
    fs::create_symlink("/dev/pts/no-such-terminal", sysfs.Ports() / "gone");
    std::ofstream(sysfs.Ports() / "notes.txt") << "not a port\n";
    fs::create_directories(sysfs.Ports() / "folder");
    auto sources = sysfs.Sources();
    std::vector<std::string> asked;
    sources.serialType = [&](const fs::path& device) -> std::optional<int> {
        asked.push_back(device.string());
        static const std::map<std::string, std::optional<int>> answers{
            {"/dev/ttyS2", 0}, {"/dev/ttyS3", 4}, {"/dev/ttyS4", std::nullopt}};
        return answers.at(device.string());
    };

    const auto ports = platform::ListSerialPorts(sources);
    const std::string sim0 = (sysfs.Ports() / "sim0").string();
    EXPECT_EQ(Paths(ports), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS3", "/dev/ttyUSB0", sim0}));
    // How the drivers name the ports is held by the cable's tests.
    EXPECT_EQ(std::pair(ports[2].driver, ports[3].driver), std::pair(std::string("cp210x"), std::string()));
    EXPECT_EQ(asked, (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS4"}));
    sources.serialType = nullptr;  // a built-in UART with no way to ask is left out
    EXPECT_EQ(Paths(platform::ListSerialPorts(sources)), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0", sim0}));
    platform::SerialPortSources missing;
    missing.sysfsRoot = missing.portsFolder = "/no/such/folder";
    EXPECT_TRUE(platform::ListSerialPorts(missing).empty()) << "and no error";
}
