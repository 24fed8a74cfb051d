#pragma once
// Opening a document or a web address with the desktop's own opener (xdg-open on Linux, the shell's
// "open" on Windows), as a user's double click would, and offering the desktop's choice of programs for
// one (Linux: the desktop portal's OpenURI, asking the user, through gdbus; Windows: the shell's "open
// with"). Programs are started with an argument vector (no shell ever sees the target) and are not
// waited for: a thread of its own reaps each and reports its exit status, so no zombie stays behind and
// the window goes on meanwhile.
#include <functional>
#include <string>
#include <utility>
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
    // Offers the desktop's choice of programs to open the target with, and returns at once. `report`
    // runs exactly once, as for Open: true when the choice is before the user, false when the desktop
    // has no such chooser or refused to show it.
    virtual void OpenWith(const std::string& target, OpenReport report) = 0;
};

// Starts `program` (looked up in PATH when it holds no slash; on Windows as the system looks a command
// up) with the arguments and returns at once. When the program has ended, `report` runs on a thread of
// its own with whether it exited with status 0. A program that cannot be started gets report(false)
// before the return, and the result is false.
bool StartWatched(const std::string& program, const std::vector<std::string>& arguments, OpenReport report);

// What starts the desktop's programs, with StartWatched's contract: tests script the outcome in its place.
using ProgramStarter =
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments, OpenReport report)>;

// The opener of a Linux desktop (not on Windows): "xdg-open <target>"; the chooser is the desktop
// portal's OpenURI with "ask", called through gdbus. The portal answers at once and shows its chooser on
// its own; without a session bus, a portal or gdbus the call fails and the report says so.
class XdgDesktopOpener : public DesktopOpener {
public:
    explicit XdgDesktopOpener(ProgramStarter start = StartWatched) : start_(std::move(start)) {}
    void Open(const std::string& target, OpenReport report) override;
    void OpenWith(const std::string& target, OpenReport report) override;

private:
    ProgramStarter start_;
};

// The address the portal is given for a target: one with a scheme ("http:", "file:" ...) as it stands,
// an absolute path, or a relative one to a file in the current folder, as a file:// address, anything
// else as a web address (http://). Spaces, quotes and other characters an address cannot hold are
// percent-encoded; an address's own %-escapes are kept.
std::string TargetUri(const std::string& target);

// The desktop's opener. Linux: xdg-open, and the portal's chooser as XdgDesktopOpener has them. Windows:
// the shell's "open" verb, and its "open with" chooser (RunDLL32 Shell32.dll,OpenAs_RunDLL) for files
// of the target's extension.
DesktopOpener& SystemDesktopOpener();

}  // namespace platform
