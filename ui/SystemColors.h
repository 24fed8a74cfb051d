#pragma once
// The fixed palette behind the system colours ($FF0000nn). There is no desktop theme to ask, so every
// system colour resolves through one table: the classic Windows defaults the kit was designed against.
#include "platform/Color.h"

namespace ui {

// The plain colour of system colour `index`; black for an index the table does not know.
TColor SystemColor(unsigned index);

// A plain colour ($00BBGGRR) for any TColor: system colours through the table, plain colours with the
// high byte dropped. clNone and clDefault have no pixel value; they resolve like any plain value of
// their low bytes, so callers that give them a meaning test for them before resolving.
TColor ResolveColor(TColor color);

constexpr TColor Rgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned RedOf(TColor c) { return c & 0xFFu; }
constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(TColor c) { return (c >> 16) & 0xFFu; }

}  // namespace ui
