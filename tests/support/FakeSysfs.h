#pragma once
// A temporary folder with a made-up sysfs tty tree and a ports folder, for the serial-port list.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/SerialPortList.h"

namespace testsupport {

class FakeSysfs {
public:
    FakeSysfs()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvel-sysfs-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        std::filesystem::create_directories(root_ / "sys" / "class" / "tty");
        std::filesystem::create_directories(Ports());
    }
    ~FakeSysfs()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    // A tty entry; with a driver its device links to it, as the kernel's does; with a type the serial
    // core's "type" attribute is there.
    void AddTty(const std::string& name, const std::string& driver = {}, std::optional<int> type = {})
    {
        const auto entry = root_ / "sys" / "class" / "tty" / name;
        std::filesystem::create_directories(entry);
        if (!driver.empty()) {
            std::filesystem::create_directories(entry / "device");
            std::filesystem::create_symlink("../../../../bus/drivers/" + driver, entry / "device" / "driver");
        }
        if (type) std::ofstream(entry / "type") << *type << "\n";
    }

    std::filesystem::path Ports() const { return root_ / "ports"; }

    platform::SerialPortSources Sources() const
    {
        platform::SerialPortSources sources;
        sources.sysfsRoot = root_ / "sys";
        sources.portsFolder = Ports();
        return sources;
    }

private:
    std::filesystem::path root_;
};

}  // namespace testsupport
