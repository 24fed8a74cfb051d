#pragma once
// Reading the registry: a key opened for reading and closed with its object. Windows only.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class RegistryKey {
public:
    // The key when it exists and may be read; nullopt otherwise. Nothing is created.
    static std::optional<RegistryKey> Open(HKEY root, const std::wstring& path);
    ~RegistryKey();
    RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&&) = delete;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The text of a string value (REG_SZ or REG_EXPAND_SZ, unexpanded); nullopt for a missing value or
    // one of another type.
    std::optional<std::wstring> StringValue(const std::wstring& name) const;
    // Every string value as name and text, in the registry's order; values of other types are left out.
    std::vector<std::pair<std::wstring, std::wstring>> StringValues() const;

private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    HKEY key_;
};

}  // namespace platform
