#include "platform/SerialPortList.h"

#include "platform/Text.h"
#include "platform/win32/Registry.h"
#include "platform/win32/WideText.h"

namespace platform {

// The registry names a Silicon Labs bridge's ports after its driver's devices ("\Device\Silabser0").
bool IsCp2102Port(const SerialPortEntry& port)
{
    return AsciiUpper(port.driver).find("SILAB") != std::string::npos;
}

SerialPortSources SystemSerialPortSources()
{
    return {};
}

std::vector<SerialPortEntry> ListSerialPorts(const SerialPortSources& sources)
{
    std::vector<SerialPortEntry> ports;
    const auto key = RegistryKey::Open(sources.currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                       Widen(sources.registryKey));
    if (!key) return ports;
    for (const auto& [device, port] : key->StringValues())
        if (!port.empty()) ports.push_back(SerialPortEntry{Narrow(port), Narrow(device)});
    return ports;
}

}  // namespace platform
