#include "platform/FileFailure.h"

#include "platform/PathText.h"
#include "platform/SystemError.h"
#include "platform/WholeFile.h"

namespace platform::filefailure {

std::string Quoted(const std::filesystem::path& file) { return "\"" + PathToUtf8(file) + "\""; }

void Fail(const std::string& what, const std::string& name, const std::string& reason, std::error_code code)
{
    throw FileError(what + " " + name + ": " + reason, code);
}

void Fail(const std::string& what, const std::string& name, std::error_code code)
{
    Fail(what, name, SystemErrorText(code.value()), code);
}

void Fail(const std::string& what, const std::filesystem::path& file, const std::string& reason, std::error_code code)
{
    Fail(what, Quoted(file), reason, code);
}

void Fail(const std::string& what, const std::filesystem::path& file, std::error_code code)
{
    Fail(what, Quoted(file), code);
}

}  // namespace platform::filefailure
