#pragma once
// The one interface through which the link reports what it does. The main window's log tree implements
// it; a console or an in-memory list serves the link as well.
#include <string>
#include <vector>

#include "platform/Color.h"

class TLogWriter {
public:
    virtual ~TLogWriter() = default;
    virtual void AddMessage(const std::string& Msg) = 0;
    virtual void AddError(const std::string& Msg) = 0;
    virtual void AddInfo(const std::string& Msg) = 0;
    virtual void AddText(const std::string& Caption, const std::string& Text, TColor Color) = 0;
    virtual void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) = 0;
};
