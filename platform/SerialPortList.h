#pragma once
// The serial ports worth offering: what the kernel reports under sysfs (devices that have a driver;
// built-in UART ports only where the hardware is there) and the pseudo-terminal links in the program's
// `ports` folder (sorvel-sim puts its ports there; a user may link a virtual port of their own).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct SerialPortEntry {
    std::string path;    // what the program opens: "/dev/ttyUSB0", or the link in the ports folder
    std::string driver;  // the kernel driver ("cp210x", "ftdi_sio", "serial8250"); empty for a link
};

// Where the scan looks; tests point it at a fake sysfs tree and a folder of their own.
struct SerialPortSources {
    std::filesystem::path sysfsRoot = "/sys";
    std::filesystem::path devFolder = "/dev";
    std::filesystem::path portsFolder;  // empty: none
    // The port type the TIOCGSERIAL request reports for a device (0 is PORT_UNKNOWN), nullopt when it
    // cannot be asked. Used only for a built-in port whose sysfs entry has no "type" attribute.
    std::function<std::optional<int>(const std::filesystem::path& device)> serialType;
};

// The real system: /sys, /dev, ProgramFolder()/"ports" and the TIOCGSERIAL request.
SerialPortSources SystemSerialPortSources();

// The kernel's ports in name order, then the ports folder's links in name order. A folder that is
// missing or unreadable gives no entries; nothing here throws for the state of the system.
std::vector<SerialPortEntry> ListSerialPorts(const SerialPortSources& sources);

// The TIOCGSERIAL port type, opening the device without waiting for a carrier and closing it again.
std::optional<int> QuerySerialType(const std::filesystem::path& device);

}  // namespace platform
