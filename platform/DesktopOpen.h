#pragma once
// Opening a document or a web address with the desktop's own opener (xdg-open on Linux, the shell's
// "open" on Windows), as a user's double click would. The opener is started with an argument vector (no
// shell ever sees the target) and is not waited for: a thread of its own reaps it and reports its exit
// status, so no zombie stays behind and the window goes on meanwhile.
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Whether the opener reported success (for a program: it exited with status 0).
using OpenReport = std::function<void(bool opened)>;

class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // Starts opening the target and returns at once. `report` runs exactly once: when the opener has
    // finished, on a thread of its own, or before Open returns when the opener could not be started
    // (or, for openers that know at once, with their answer).
    virtual void Open(const std::string& target, OpenReport report) = 0;
    // Offers the desktop's choice of programs for files matching the pattern; false when the desktop
    // has no such chooser.
    virtual bool OpenWith(const std::string& pattern) = 0;
};

// Starts `program` (looked up in PATH when it holds no slash; on Windows as the system looks a command
// up) with the arguments and returns at once. When the program has ended, `report` runs on a thread of
// its own with whether it exited with status 0. A program that cannot be started gets report(false)
// before the return, and the result is false.
bool StartWatched(const std::string& program, const std::vector<std::string>& arguments, OpenReport report);

// The desktop's opener. Linux: "xdg-open <target>", and no open-with chooser. Windows: the shell's "open"
// verb, and its "open with" chooser (RunDLL32 Shell32.dll,OpenAs_RunDLL).
DesktopOpener& SystemDesktopOpener();

}  // namespace platform
