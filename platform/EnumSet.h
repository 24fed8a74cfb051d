#pragma once
// A set of enumerators (the "set of" types of the program's vocabulary: key states, font styles, the
// serial line's events and options): each enumerator is a bit position below 32.
#include <cstdint>
#include <initializer_list>

namespace platform {

template <class E>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> items)
    {
        for (E e : items) Include(e);
    }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr void Include(E e) { bits_ |= Bit(e); }
    constexpr void Exclude(E e) { bits_ &= ~Bit(e); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr EnumSet operator|(EnumSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr EnumSet operator&(EnumSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr EnumSet operator-(EnumSet o) const { return FromBits(bits_ & ~o.bits_); }
    friend constexpr bool operator==(EnumSet, EnumSet) = default;
    static constexpr EnumSet FromBits(std::uint32_t bits)
    {
        EnumSet s;
        s.bits_ = bits;
        return s;
    }

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t bits_ = 0;
};

}  // namespace platform
