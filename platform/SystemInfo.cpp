#include "platform/SystemInfo.h"

namespace platform {

SystemVersion RunningSystemVersion() { return {}; }

std::string ColorSchemeName() { return {}; }

}  // namespace platform
