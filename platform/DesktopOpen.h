#pragma once
// Opening a document or a web address with the desktop's own opener (xdg-open), as a user's double
// click would. The opener is started with an argument vector (no shell ever sees the target) and is
// not waited for; it is reaped at once, so no zombie stays behind.
#include <string>
#include <vector>

namespace platform {

class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // True when the opener was started for the target.
    virtual bool Open(const std::string& target) = 0;
    // Offers the desktop's choice of programs for files matching the pattern; false when the desktop
    // has no such chooser.
    virtual bool OpenWith(const std::string& pattern) = 0;
};

// Starts `program` (looked up in PATH when it holds no slash) with the arguments, detached: the call
// returns once the program runs, or false when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// The desktop's opener: "xdg-open <target>"; there is no open-with chooser.
DesktopOpener& SystemDesktopOpener();

}  // namespace platform
