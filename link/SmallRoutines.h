#pragma once
// Small routines shared across the program: its folder, the delays that keep the windows responsive,
// a duration as text, and a byte as eight bit characters.
#include "platform/Clock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Lets pending window events run once (one pass of the event loop). The link knows no windows, so the
// application hands this in; a cancel button pressed inside it may throw, and the throw ends the delay.
using EventPump = std::function<void()>;
// Raises a progress control's position by 1.
using ProgressStep = std::function<void()>;

// The program's own folder, ending in the path separator.
std::string AppFolder();

// Waits Ms milliseconds on the monotonic clock, letting window events run at least once and then about
// every millisecond.
void Delay(std::uint32_t Ms, const EventPump& pump, platform::Clock& clock = platform::SystemClock());

// As Delay, and steps the progress once every PeriodMs milliseconds.
void DelayWithTick(std::uint32_t Ms, const ProgressStep& step, int PeriodMs, const EventPump& pump,
                   platform::Clock& clock = platform::SystemClock());

// "1 сут 2 ч 3 мин 4 сек " down to "4 сек ": the leading units appear only when they are not zero
// (or a larger one is not).
std::string DurationToText(std::uint32_t Seconds);

// Binary digits, first one most significant: "1" is a one bit, any other character a zero bit.
int BitStringToByte(std::string_view S);
// Eight characters "0"/"1" of B's low byte, most significant first.
std::string ByteToBitString(int B);
