#pragma once
// The ini file type under the name the pages and controllers use.
#include "platform/IniFile.h"

using TMemIniFile = platform::IniFile;
