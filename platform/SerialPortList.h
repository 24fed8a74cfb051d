#pragma once
// The serial ports worth offering. Linux: what the kernel reports under sysfs (devices that have a
// driver; built-in UART ports only where the hardware is there) and the pseudo-terminal links in the
// program's `ports` folder (sorvel-sim puts its ports there; a user may link a virtual port of their
// own). Windows: the system's list of serial ports in the registry.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct SerialPortEntry {
    // What the program opens: "/dev/ttyUSB0", or the link in the ports folder; "COM3" on Windows.
    std::string path;
    // Linux: the kernel driver ("cp210x", "ftdi_sio", "serial8250"), empty for a link. Windows: the
    // device the registry names the port after ("\Device\Silabser0").
    std::string driver;
};

// Whether the port belongs to a CP2102 USB bridge (Silicon Labs' driver).
bool IsCp2102Port(const SerialPortEntry& port);

#if defined(_WIN32)
// Where the list is read: a registry key whose values each name one port (the value's name is the
// device, its text the port). Tests point it at a key of their own under the current user's.
struct SerialPortSources {
    bool currentUser = false;  // HKEY_CURRENT_USER instead of HKEY_LOCAL_MACHINE
    std::string registryKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
};
#else
// Where the scan looks; tests point it at a fake sysfs tree and a folder of their own.
struct SerialPortSources {
    std::filesystem::path sysfsRoot = "/sys";
    std::filesystem::path devFolder = "/dev";
    std::filesystem::path portsFolder;  // empty: none
    // The port type the TIOCGSERIAL request reports for a device (0 is PORT_UNKNOWN), nullopt when it
    // cannot be asked. Used only for a built-in port whose sysfs entry has no "type" attribute.
    std::function<std::optional<int>(const std::filesystem::path& device)> serialType;
};

// The TIOCGSERIAL port type, opening the device without waiting for a carrier and closing it again.
std::optional<int> QuerySerialType(const std::filesystem::path& device);
#endif

// The real system. Linux: /sys, /dev, ProgramFolder()/"ports" and the TIOCGSERIAL request. Windows:
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM.
SerialPortSources SystemSerialPortSources();

// Linux: the kernel's ports in name order, then the ports folder's links in name order. Windows: the
// registry key's values in the registry's order. A folder or key that is missing or unreadable gives no
// entries; nothing here throws for the state of the system.
std::vector<SerialPortEntry> ListSerialPorts(const SerialPortSources& sources);

}  // namespace platform
