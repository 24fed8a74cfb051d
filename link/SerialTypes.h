#pragma once
// The serial driver's vocabulary: line settings, line events and options, and the sets of them.
#include <cstdint>
#include <initializer_list>

enum TBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000, brCustom
};
enum TDataBits { db4, db5, db6, db7, db8 };
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1, sb1p5, sb2 };
enum TFlowControl { fcNone, fcRtsCts, fcDtrDsr, fcSoftware, fcCustom };
// In the order of the system's event mask bits.
enum TDeviceEvent {
    deChar, deFlag, deOutEmpty, deCTS, deDSR, deRLSD, deBreak, deError, deRing, dePrintError,
    deIn80Full, deProv1, deProv2
};
enum TCommOption {
    coAbortOnError, coDiscardNull, coDSRSensitivity, coErrorChar, coParityCheck, coTXContinueOnXOff,
    coLeaveDTROpen
};
enum TRTSSetting { fsCTSOut, fsRTSEnabled, fsRTSHandshake };
enum TDTRSetting { fsDSROut, fsDTREnabled, fsDTRHandshake };
enum TXOnXOffSetting { fsInX, fsOutX };
// Errors of the line as the system names them when they are taken with the queue counts.
enum TLineError { leRxOver, leOverrun, leParity, leFrame, leBreak };

// A set of enumeration values, one bit each by ordinal.
template <class E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items)
    {
        for (const E e : items) Include(e);
    }
    constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr void Include(E e) { bits_ |= Bit(e); }
    constexpr void Exclude(E e) { bits_ &= ~Bit(e); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr TEnumSet operator&(TEnumSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr TEnumSet operator|(TEnumSet other) const { return FromBits(bits_ | other.bits_); }
    constexpr bool operator==(const TEnumSet&) const = default;
    static constexpr TEnumSet FromBits(std::uint32_t bits)
    {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t bits_ = 0;
};

using TDeviceEvents = TEnumSet<TDeviceEvent>;
using TCommOptions = TEnumSet<TCommOption>;
using TRTSSettings = TEnumSet<TRTSSetting>;
using TDTRSettings = TEnumSet<TDTRSetting>;
using TXOnXOffSettings = TEnumSet<TXOnXOffSetting>;
using TLineErrors = TEnumSet<TLineError>;
