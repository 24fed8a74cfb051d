#pragma once
// The form a device value must have: a short pattern of character runs, written once per command word
// in the command table (link/DevCommands.cpp) and checked against every value before it counts.
//
// A pattern is a sequence of runs and literal characters:
//   H  a hexadecimal digit (either case)      D  a decimal digit
//   T  a text character: anything but a control character (line breaks, C0 and C1 controls, DEL) and
//      the replacement character of an undecodable byte
// each followed by an optional count: {n} exactly n, {n,m} from n to m, {n,} n or more; without a
// count the run is one character. Any other character of the pattern stands for itself. Characters are
// counted as characters (UTF-8 code points), not bytes. An empty pattern fits only the empty value.
//
// Examples: "H{4}" the object number, "D{9}" an input event, "H{6}=T{0,}" a channel record,
// "D{2}/D{2}/D{2},D{2}:D{2}:D{2}T{3}" the device clock.
#include <string_view>

// True when the whole of Value (UTF-8) fits Form. A malformed pattern fits nothing.
bool FitsValueForm(std::string_view Value, std::string_view Form);
// True when Form is a well-formed pattern (for the table's own test).
bool IsValueForm(std::string_view Form);
