#pragma once
// The device's bootloader: entered by "BL", it answers "v" with its own version, erases the flash on
// "BE", takes 128-byte blocks "W<number>:<data>:<xor>" (each checked by the XOR of its bytes and
// answered with its number) and ends with "EE" and four lane checks, the XORs of the block checks in
// turn. It keeps the uploaded image.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace sim {

class Bootloader {
public:
    static constexpr const char* VersionText = "BootLdr v1.0";

    bool Active() const { return active_; }
    void Enter() { active_ = true; }
    // Answers one request body (the text after "+") while active; replies are the bytes to send.
    std::string Answer(std::string_view body);

    bool Erased() const { return erased_; }
    bool Finished() const { return finished_; }
    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    // The uploaded bytes from row 0 on, 16 bytes per row number; gaps read as FF.
    std::string Image() const;
    // The four lane checks of the blocks held, as "EE" expects them.
    std::array<std::uint8_t, 4> Lanes() const;

private:
    std::string Block(std::string_view body);
    std::string Finish(std::string_view lanes);

    bool active_ = false;
    bool erased_ = false;
    bool finished_ = false;
    std::map<int, std::string> blocks_;  // block number (its first row) -> data bytes
};

}  // namespace sim
