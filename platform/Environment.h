#pragma once
// The process's environment variables, in UTF-8 on either system.
#include <optional>
#include <string>

namespace platform {

// The variable's value; nullopt when it is not set. An empty value is a value.
std::optional<std::string> EnvironmentValue(const std::string& name);
// Sets the variable, or removes it when value is nullopt. Not for use while another thread reads the
// environment.
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

}  // namespace platform
