#pragma once
// The serial driver's vocabulary: line settings, line events and options, and the sets of them.
#include <cstdint>

#include "platform/EnumSet.h"

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

template <class E>
using TEnumSet = platform::EnumSet<E>;

using TDeviceEvents = TEnumSet<TDeviceEvent>;
using TCommOptions = TEnumSet<TCommOption>;
using TRTSSettings = TEnumSet<TRTSSetting>;
using TDTRSettings = TEnumSet<TDTRSetting>;
using TXOnXOffSettings = TEnumSet<TXOnXOffSetting>;
using TLineErrors = TEnumSet<TLineError>;
