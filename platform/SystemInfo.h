#pragma once
// What the kit's drawing asks the system about itself: which Windows it is, and the user's colour scheme
// of the XP visual style.
#include <string>

namespace platform {

struct SystemVersion {
    bool ntFamily = true;
    int major = 6;
    int minor = 1;
};

// Windows: the running system's own numbers, not the ones Windows hands a program that does not declare
// which versions it knows. Linux: NT 6.1, so the kit draws as on a current Windows.
SystemVersion RunningSystemVersion();

// The current user's "ColorName" of the visual style (ThemeManager under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion); empty when none is set, and on Linux.
std::string ColorSchemeName();

}  // namespace platform
