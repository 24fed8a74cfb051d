#pragma once
// A pseudo-terminal pair: the simulated device talks on the master, the program under test opens the
// slave's path with its real serial code. The pair keeps a slave descriptor of its own so that the master
// never sees a hang-up while no client has the port open (reopening works as on a real port).
#include <filesystem>
#include <string>

namespace sim {

class Pty {
public:
    // With a folder, a symbolic link `linkName` to the slave is placed there and removed on destruction.
    Pty();
    Pty(const std::filesystem::path& linkFolder, const std::string& linkName);
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int MasterFd() const { return master_; }
    bool MasterOpen() const { return master_ >= 0; }
    // The slave's device path (/dev/pts/N): what the program opens.
    const std::string& SlavePath() const { return slavePath_; }
    // The link placed in the folder, empty when none was asked for.
    const std::filesystem::path& LinkPath() const { return link_; }

    // Closes the master: to the program the port has vanished. Only the thread that uses the master
    // may call this (sim::Line does it on its own thread).
    void CloseMaster() noexcept;

private:
    void CloseAll() noexcept;

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::filesystem::path link_;
};

}  // namespace sim
