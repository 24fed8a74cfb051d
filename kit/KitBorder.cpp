#include "kit/KitBorder.h"

#include "platform/Text.h"
#include "ui/ExtCtrls.h"

#include <algorithm>
#include <cmath>
#include <string_view>

using ui::Canvas;
using ui::TRect;

// ---------------------------------------------------------------- character generator

namespace {

using Rows = std::array<std::string_view, 7>;
using TopRows = std::array<std::string_view, 2>;
using Body = std::array<std::string_view, 5>;

struct Glyph {
    int code;
    Rows rows;
};

// Accented letters: a two-row mark above a five-row letter.
constexpr Rows Accented(const TopRows& mark, const Body& body)
{
    return {mark[0], mark[1], body[0], body[1], body[2], body[3], body[4]};
}

constexpr TopRows kGrave{".#...", "..#.."};
constexpr TopRows kAcute{"...#.", "..#.."};
constexpr TopRows kCircumflex{"..#..", ".#.#."};
constexpr TopRows kTilde{".##.#", "#.##."};
constexpr TopRows kDiaeresis{".#.#.", "....."};
constexpr TopRows kRing{".###.", ".#.#."};

constexpr Body kCapA{".###.", "#...#", "#####", "#...#", "#...#"};
constexpr Body kCapE{"#####", "#....", "####.", "#....", "#####"};
constexpr Body kCapI{".###.", "..#..", "..#..", "..#..", ".###."};
constexpr Body kCapN{"#...#", "##..#", "#.#.#", "#..##", "#...#"};
constexpr Body kCapO{".###.", "#...#", "#...#", "#...#", ".###."};
constexpr Body kCapU{"#...#", "#...#", "#...#", "#...#", ".###."};
constexpr Body kCapY{"#...#", ".#.#.", "..#..", "..#..", "..#.."};
constexpr Body kSmallA{".###.", "....#", ".####", "#...#", ".####"};
constexpr Body kSmallE{".###.", "#...#", "#####", "#....", ".###."};
constexpr Body kSmallI{".##..", "..#..", "..#..", "..#..", ".###."};
constexpr Body kSmallN{"#.##.", "##..#", "#...#", "#...#", "#...#"};
constexpr Body kSmallO{".....", ".###.", "#...#", "#...#", ".###."};
constexpr Body kSmallU{"#...#", "#...#", "#...#", "#..##", ".##.#"};
constexpr Body kSmallY{"#...#", "#...#", ".####", "....#", ".###."};

// A conventional 5 x 7 font for printable ASCII and Latin-1. The glyphs whose bytes are fixed (digits,
// "A", "#", "*", "+", "-", the block) are in kFixed below and not here.
constexpr Glyph kGlyphs[] = {
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'"', {".#.#.", ".#.#.", ".#.#.", ".....", ".....", ".....", "....."}},
    {'$', {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."}},
    {'%', {"##...", "##..#", "...#.", "..#..", ".#...", "#..##", "...##"}},
    {'&', {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"}},
    {'\'', {".##..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    {'(', {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."}},
    {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."}},
    {',', {".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'/', {".....", "....#", "...#.", "..#..", ".#...", "#....", "....."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
    {';', {".....", ".##..", ".##..", ".....", ".##..", "..#..", ".#..."}},
    {'<', {"...#.", "..#..", ".#...", "#....", ".#...", "..#..", "...#."}},
    {'=', {".....", ".....", "#####", ".....", "#####", ".....", "....."}},
    {'>', {".#...", "..#..", "...#.", "....#", "...#.", "..#..", ".#..."}},
    {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
    {'@', {".###.", "#...#", "....#", ".##.#", "#.#.#", "#.#.#", ".###."}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"###..", "#..#.", "#...#", "#...#", "#...#", "#..#.", "###.."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", "#...#", ".#.#.", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'[', {".###.", ".#...", ".#...", ".#...", ".#...", ".#...", ".###."}},
    {'\\', {".....", "#....", ".#...", "..#..", "...#.", "....#", "....."}},
    {']', {".###.", "...#.", "...#.", "...#.", "...#.", "...#.", ".###."}},
    {'^', {"..#..", ".#.#.", "#...#", ".....", ".....", ".....", "....."}},
    {'_', {".....", ".....", ".....", ".....", ".....", ".....", "#####"}},
    {'`', {".#...", "..#..", "...#.", ".....", ".....", ".....", "....."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'b', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."}},
    {'d', {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'f', {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."}},
    {'g', {".....", ".####", "#...#", "#...#", ".####", "....#", ".###."}},
    {'h', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
    {'j', {"...#.", ".....", "..##.", "...#.", "...#.", "#..#.", ".##.."}},
    {'k', {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'p', {".....", ".....", "####.", "#...#", "####.", "#....", "#...."}},
    {'q', {".....", ".....", ".##.#", "#..##", ".####", "....#", "....#"}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'s', {".....", ".....", ".###.", "#....", ".###.", "....#", "####."}},
    {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
    {'y', {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."}},
    {'z', {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"}},
    {'{', {"...#.", "..#..", "..#..", ".#...", "..#..", "..#..", "...#."}},
    {'|', {"..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'}', {".#...", "..#..", "..#..", "...#.", "..#..", "..#..", ".#..."}},
    {'~', {".....", ".....", ".#...", "#.#.#", "...#.", ".....", "....."}},
    // Latin-1 (ISO 8859-1) from 161.
    {161, {"..#..", ".....", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {162, {"..#..", ".###.", "#.#..", "#.#..", "#.#.#", ".###.", "..#.."}},
    {163, {"..##.", ".#..#", ".#...", "###..", ".#...", ".#..#", "#.##."}},
    {164, {".....", "#...#", ".###.", ".#.#.", ".###.", "#...#", "....."}},
    {165, {"#...#", ".#.#.", "#####", "..#..", "#####", "..#..", "..#.."}},
    {166, {"..#..", "..#..", "..#..", ".....", "..#..", "..#..", "..#.."}},
    {167, {".###.", "#....", ".###.", "#...#", ".###.", "....#", ".###."}},
    {168, {".#.#.", ".....", ".....", ".....", ".....", ".....", "....."}},
    {169, {".###.", "#...#", "#.###", "#.#.#", "#.###", "#...#", ".###."}},
    {170, {".###.", "....#", ".####", "#...#", ".####", ".....", "#####"}},
    {171, {".....", "..#.#", ".#.#.", "#.#..", ".#.#.", "..#.#", "....."}},
    {172, {".....", ".....", "#####", "....#", "....#", ".....", "....."}},
    {173, {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {174, {".###.", "#...#", "###.#", "##.##", "##.##", "#...#", ".###."}},
    {175, {"#####", ".....", ".....", ".....", ".....", ".....", "....."}},
    {176, {".##..", "#..#.", "#..#.", ".##..", ".....", ".....", "....."}},
    {177, {"..#..", "..#..", "#####", "..#..", "..#..", ".....", "#####"}},
    {178, {".##..", "...#.", "..#..", ".###.", ".....", ".....", "....."}},
    {179, {"##...", "..#..", ".#...", "..#..", "##...", ".....", "....."}},
    {180, {"...#.", "..#..", ".....", ".....", ".....", ".....", "....."}},
    {181, {".....", "#...#", "#...#", "#...#", "##.##", "#.#.#", "#...."}},
    {182, {".####", "###.#", "###.#", ".##.#", "..#.#", "..#.#", "..#.#"}},
    {183, {".....", ".....", ".....", "..#..", ".....", ".....", "....."}},
    {184, {".....", ".....", ".....", ".....", ".....", "..#..", ".##.."}},
    {185, {".#...", "##...", ".#...", ".#...", "###..", ".....", "....."}},
    {186, {".###.", "#...#", "#...#", ".###.", ".....", "#####", "....."}},
    {187, {".....", "#.#..", ".#.#.", "..#.#", ".#.#.", "#.#..", "....."}},
    {188, {"#....", "#..#.", "#.#..", ".#.#.", "#.##.", "..###", "...#."}},
    {189, {"#....", "#..#.", "#.#..", ".#.##", "#...#", "...#.", "..###"}},
    {190, {"##...", ".#.#.", "##...", "..#.#", ".#.##", "#.###", "....#"}},
    {191, {"..#..", ".....", "..#..", ".#...", "#....", "#...#", ".###."}},
    {192, Accented(kGrave, kCapA)},
    {193, Accented(kAcute, kCapA)},
    {194, Accented(kCircumflex, kCapA)},
    {195, Accented(kTilde, kCapA)},
    {196, Accented(kDiaeresis, kCapA)},
    {197, Accented(kRing, kCapA)},
    {198, {".####", "#.#..", "#.#..", "####.", "#.#..", "#.#..", "#.###"}},
    {199, {".###.", "#...#", "#....", "#...#", ".###.", "..#..", ".##.."}},
    {200, Accented(kGrave, kCapE)},
    {201, Accented(kAcute, kCapE)},
    {202, Accented(kCircumflex, kCapE)},
    {203, Accented(kDiaeresis, kCapE)},
    {204, Accented(kGrave, kCapI)},
    {205, Accented(kAcute, kCapI)},
    {206, Accented(kCircumflex, kCapI)},
    {207, Accented(kDiaeresis, kCapI)},
    {208, {"###..", "#..#.", "#...#", "###.#", "#...#", "#..#.", "###.."}},
    {209, Accented(kTilde, kCapN)},
    {210, Accented(kGrave, kCapO)},
    {211, Accented(kAcute, kCapO)},
    {212, Accented(kCircumflex, kCapO)},
    {213, Accented(kTilde, kCapO)},
    {214, Accented(kDiaeresis, kCapO)},
    {215, {".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "....."}},
    {216, {".###.", "#..##", "#.#.#", "#.#.#", "#.#.#", "##..#", ".###."}},
    {217, Accented(kGrave, kCapU)},
    {218, Accented(kAcute, kCapU)},
    {219, Accented(kCircumflex, kCapU)},
    {220, Accented(kDiaeresis, kCapU)},
    {221, Accented(kAcute, kCapY)},
    {222, {"#....", "####.", "#...#", "#...#", "####.", "#....", "#...."}},
    {223, {".##..", "#..#.", "#.#..", "#..#.", "#...#", "#...#", "#.##."}},
    {224, Accented(kGrave, kSmallA)},
    {225, Accented(kAcute, kSmallA)},
    {226, Accented(kCircumflex, kSmallA)},
    {227, Accented(kTilde, kSmallA)},
    {228, Accented(kDiaeresis, kSmallA)},
    {229, Accented(kRing, kSmallA)},
    {230, {".....", ".....", "##.#.", "..#.#", ".####", "#.#..", ".####"}},
    {231, {".....", ".###.", "#....", "#....", ".###.", "..#..", ".##.."}},
    {232, Accented(kGrave, kSmallE)},
    {233, Accented(kAcute, kSmallE)},
    {234, Accented(kCircumflex, kSmallE)},
    {235, Accented(kDiaeresis, kSmallE)},
    {236, Accented(kGrave, kSmallI)},
    {237, Accented(kAcute, kSmallI)},
    {238, Accented(kCircumflex, kSmallI)},
    {239, Accented(kDiaeresis, kSmallI)},
    {240, {".#.#.", "..#..", ".#.#.", ".###.", "#...#", "#...#", ".###."}},
    {241, Accented(kTilde, kSmallN)},
    {242, Accented(kGrave, kSmallO)},
    {243, Accented(kAcute, kSmallO)},
    {244, Accented(kCircumflex, kSmallO)},
    {245, Accented(kTilde, kSmallO)},
    {246, Accented(kDiaeresis, kSmallO)},
    {247, {".....", "..#..", ".....", "#####", ".....", "..#..", "....."}},
    {248, {".....", ".....", ".###.", "#..##", "#.#.#", "##..#", ".###."}},
    {249, Accented(kGrave, kSmallU)},
    {250, Accented(kAcute, kSmallU)},
    {251, Accented(kCircumflex, kSmallU)},
    {252, Accented(kDiaeresis, kSmallU)},
    {253, Accented(kAcute, kSmallY)},
    {254, {".....", "#....", "####.", "#...#", "####.", "#....", "#...."}},
    {255, Accented(kDiaeresis, kSmallY)},
};

struct FixedGlyph {
    int code;
    std::array<std::uint8_t, 5> columns;
};

// The shapes the panel has always shown: the slashed zero and the digits the dial dialog scrolls.
constexpr FixedGlyph kFixed[] = {
    {35, {0x28, 0x7C, 0x28, 0x7C, 0x28}}, {42, {0x54, 0x38, 0xFE, 0x38, 0x54}},
    {43, {0x10, 0x10, 0x7C, 0x10, 0x10}}, {45, {0x10, 0x10, 0x10, 0x10, 0x10}},
    {48, {0x7C, 0x8A, 0x92, 0xA2, 0x7C}}, {49, {0x00, 0x42, 0xFE, 0x02, 0x00}},
    {50, {0x46, 0x8A, 0x92, 0x92, 0x62}}, {51, {0x44, 0x92, 0x92, 0x92, 0x6C}},
    {52, {0xF0, 0x10, 0x10, 0x10, 0xFE}}, {53, {0xF4, 0x92, 0x92, 0x92, 0x8C}},
    {54, {0x7C, 0x92, 0x92, 0x92, 0x4C}}, {55, {0xC0, 0x80, 0x8E, 0x90, 0xE0}},
    {56, {0x6C, 0x92, 0x92, 0x92, 0x6C}}, {57, {0x64, 0x92, 0x92, 0x92, 0x7C}},
    {65, {0x7E, 0x90, 0x90, 0x90, 0x7E}},
};

constexpr std::array<std::uint8_t, 5> kBlock{0x00, 0x7C, 0x7C, 0x7C, 0x00};

// 127 and 129 to 160 show the block, but for these few that stay blank.
constexpr bool IsBlockCode(int code)
{
    if (code == 127) return true;
    if (code < 129 || code > 160) return false;
    return code != 133 && code != 134 && code != 145 && code != 146 && code != 153;
}

constexpr std::array<std::uint8_t, kLEDGlyphCount * 5> BuildFontTable()
{
    std::array<std::uint8_t, kLEDGlyphCount * 5> table{};
    const auto put = [&table](int code, const std::array<std::uint8_t, 5>& columns) {
        for (int c = 0; c < 5; ++c) table[static_cast<std::size_t>((code - kLEDFirstCode) * 5 + c)] = columns[c];
    };
    for (int code = kLEDFirstCode; code < kLEDFirstCode + kLEDGlyphCount; ++code)
        if (IsBlockCode(code)) put(code, kBlock);
    for (const Glyph& g : kGlyphs) {
        std::array<std::uint8_t, 5> columns{};
        for (int row = 0; row < 7; ++row)
            for (int c = 0; c < 5; ++c)
                if (g.rows[row][c] == '#') columns[c] = static_cast<std::uint8_t>(columns[c] | (0x80 >> row));
        put(g.code, columns);
    }
    for (const FixedGlyph& f : kFixed) put(f.code, f.columns);
    return table;
}

constexpr auto kFontTable = BuildFontTable();

static_assert(kFontTable[('1' - 32) * 5 + 2] == 0xFE);
static_assert(kFontTable[(127 - 32) * 5 + 1] == 0x7C);
static_assert(kFontTable[('x' - 32) * 5] == 0x22);

int FrameWidth(TFrameStyleEx style, int bevelWidth)
{
    switch (style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;
    }
}

void MoveSidesIn(TRect& r, TSides sides, int by)
{
    if (sides & sdLeft) r.Left += by;
    if (sides & sdTop) r.Top += by;
    if (sides & sdRight) r.Right -= by;
    if (sides & sdBottom) r.Bottom -= by;
}

}  // namespace

const std::array<std::uint8_t, kLEDGlyphCount * 5>& LEDFontTable() { return kFontTable; }

// ---------------------------------------------------------------- TKitBorder

TKitBorder::TKitBorder(ui::TComponent* owner) : ui::TGraphicControl(owner) { SetDefaultSize(50, 50); }

template <class T>
bool TKitBorder::Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
}

void TKitBorder::SetBevelWidth(int v) { Store(frame_.BevelWidth, std::max(v, 1)); }
void TKitBorder::SetBorderWidth(int v) { Store(frame_.BorderWidth, std::max(v, 0)); }
void TKitBorder::SetBorderColor(TColor v) { Store(frame_.BorderColor, v); }
void TKitBorder::SetBorderHighlight(TColor v) { Store(frame_.BorderHighlight, v); }
void TKitBorder::SetBorderShadow(TColor v) { Store(frame_.BorderShadow, v); }
void TKitBorder::SetBorderInner(TFrameStyleEx v) { Store(frame_.BorderInner, v); }
void TKitBorder::SetBorderOuter(TFrameStyleEx v) { Store(frame_.BorderOuter, v); }
void TKitBorder::SetBorderSides(TSides v) { Store(frame_.BorderSides, v & sdAllSides); }
void TKitBorder::SetFlatColor(TColor v) { Store(frame_.FlatColor, v); }
void TKitBorder::SetFlatColorAdjustment(int v) { Store(frame_.FlatColorAdjustment, v); }

void TKitBorder::UpdateFromFrameController()
{
    const TKitFrameController* controller = FrameController();
    if (controller == nullptr || !controller->FrameVisible()) return;
    if (notifications_.Contains(fcpFrameStyle)) SetBorderOuter(controller->FrameStyle());
    if (notifications_.Contains(fcpFrameSides)) SetBorderSides(controller->FrameSides());
    if (notifications_.Contains(fcpFrameColor)) {
        SetFlatColor(controller->FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (notifications_.Contains(fcpColor)) {
        SetColor(controller->Color());
        SetBorderHighlight(LighterColor(controller->Color(), 100));
        SetBorderShadow(DarkerColor(controller->Color(), 50));
    }
    if (notifications_.Contains(fcpParentColor)) SetParentColor(controller->ParentColor());
    Invalidate();
}

TRect TKitBorder::AdjustClientRect(TRect r) const
{
    r = r.Shrink(frame_.BorderWidth);
    MoveSidesIn(r, frame_.BorderSides, FrameWidth(frame_.BorderOuter, frame_.BevelWidth));
    MoveSidesIn(r, frame_.BorderSides, FrameWidth(frame_.BorderInner, frame_.BevelWidth));
    return r.Bottom < r.Top || r.Right < r.Left ? TRect{} : r;
}

TRect TKitBorder::ClientRect() const { return AdjustClientRect(ui::Rect(0, 0, Width(), Height())); }

void TKitBorder::Paint(Canvas& canvas)
{
    PaintFrame(canvas);
    ui::TGraphicControl::Paint(canvas);
}

void TKitBorder::PaintFrame(Canvas& canvas)
{
    TInnerOuterBorders b = frame_;
    b.InteriorColor = GetInteriorColor();
    b.ParentColor = Parent() != nullptr ? Parent()->Color() : Color();
    b.Transparent = !Opaque();
    DrawInnerOuterBorders(canvas, ui::Rect(0, 0, Width(), Height()), b);
}

// ---------------------------------------------------------------- TKitLEDDisplay

TKitLEDDisplay::TKitLEDDisplay(ui::TComponent* owner) : TKitBorder(owner)
{
    SetDefaultSize(100, 30);
    scrollLength_ = Width();
    timer_ = ui::Create<ui::TTimer>(this, "");
    timer_->SetEnabled(false);
    timer_->SetInterval(scrollDelay_);
    timer_->OnTimer = [this](ui::TObject*) { ScrollTimerExpired(); };
    SetBorderOuter(fsStatus);
}

TKitLEDDisplay::~TKitLEDDisplay()
{
    // The timer goes first, so that no tick reaches a display that is half gone.
    ui::Free(timer_);
}

template <class T>
bool TKitLEDDisplay::Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
}

void TKitLEDDisplay::SetAlignment(ui::TAlignment v) { Store(alignment_, v); }
void TKitLEDDisplay::SetBackColor(TColor v) { Store(backColor_, v); }
void TKitLEDDisplay::SetSegOnColor(TColor v) { Store(segOnColor_, v); }
void TKitLEDDisplay::SetSegOffColor(TColor v) { Store(segOffColor_, v); }

void TKitLEDDisplay::SetScrolling(bool v)
{
    if (v == scrolling_) return;
    scrolling_ = v;
    timer_->SetEnabled(v);
    if (!v) scrollOffset_ = 0;
    Invalidate();
}

void TKitLEDDisplay::SetScrollType(TKitScrollType v)
{
    if (v == scrollType_) return;
    scrollType_ = v;
    timer_->SetEnabled(v != stNone);
    Invalidate();
}

void TKitLEDDisplay::SetScrollDelay(unsigned ms)
{
    if (ms == scrollDelay_) return;
    scrollDelay_ = ms;
    timer_->SetInterval(ms);
}

bool TKitLEDDisplay::TimerEnabled() const { return timer_->Enabled(); }

void TKitLEDDisplay::SetBevelWidth(int v)
{
    TKitBorder::SetBevelWidth(v);
    UpdateDotSize();
}

void TKitLEDDisplay::SetBorderInner(TFrameStyleEx v)
{
    TKitBorder::SetBorderInner(v);
    UpdateDotSize();
}

void TKitLEDDisplay::SetBorderOuter(TFrameStyleEx v)
{
    TKitBorder::SetBorderOuter(v);
    UpdateDotSize();
}

void TKitLEDDisplay::SetBorderSides(TSides v)
{
    TKitBorder::SetBorderSides(v);
    UpdateDotSize();
}

void TKitLEDDisplay::SetBorderWidth(int v)
{
    TKitBorder::SetBorderWidth(v);
    UpdateDotSize();
}

void TKitLEDDisplay::SetBounds(int left, int top, int width, int height)
{
    TKitBorder::SetBounds(left, top, width, height);
    UpdateDotSize();
}

void TKitLEDDisplay::Loaded() { SetBounds(Left(), Top(), Width(), Height()); }

void TKitLEDDisplay::UpdateDotSize()
{
    const int h = ClientRect().Height();
    dotSize_ = std::max(1, static_cast<int>(std::trunc(h / 7.6)));
    gap_ = static_cast<int>(std::trunc(dotSize_ * 0.1));
    UpdateScrollLength();
}

void TKitLEDDisplay::UpdateScrollLength()
{
    scrollLength_ = static_cast<int>(platform::Utf8Length(Caption())) * 6 * Pitch() + Width();
}

void TKitLEDDisplay::TextChanged()
{
    UpdateScrollLength();
    Invalidate();
}

std::vector<std::uint8_t> TKitLEDDisplay::Codes() const
{
    std::vector<std::uint8_t> codes;
    for (const char32_t ch : platform::DecodeUtf8(Caption())) {
        const std::optional<unsigned char> code = platform::UnicodeToCp1251(ch);
        codes.push_back(code && *code >= 32 ? *code : std::uint8_t{127});
    }
    return codes;
}

TColor TKitLEDDisplay::GetDotColor(std::uint8_t code, int column, int row) const
{
    if (column < 0 || column >= 5 || row < 0 || row >= 7 || code < kLEDFirstCode) return segOffColor_;
    const std::uint8_t bits = kFontTable[static_cast<std::size_t>((code - kLEDFirstCode) * 5 + column)];
    return (bits & (0x80 >> row)) != 0 ? segOnColor_ : segOffColor_;
}

void TKitLEDDisplay::DrawCharacter(Canvas& canvas, ui::TPoint cell, std::uint8_t code) const
{
    canvas.pen = {backColor_, 1, ui::PenStyle::Solid};
    const int p = Pitch();
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 6; ++column) {
            const int x = cell.X + column * p;
            const int y = cell.Y + row * p;
            canvas.brush = ui::Brush::Solid(GetDotColor(code, column, row));
            canvas.rectangle(ui::Rect(x, y, x + dotSize_ + 1, y + dotSize_ + 1));
        }
    }
}

void TKitLEDDisplay::Paint(Canvas& canvas)
{
    PaintFrame(canvas);
    PaintDots(canvas);
    ui::TGraphicControl::Paint(canvas);
}

void TKitLEDDisplay::PaintDots(Canvas& canvas)
{
    const TRect client = ClientRect();
    const int w = client.Width();
    const int h = client.Height();
    if (w <= 0 || h <= 7) return;

    Canvas buffer(w, h, backColor_);
    const int cw = 6 * Pitch();
    const int ch = 7 * dotSize_ + 6 * gap_;
    const int y = (h - ch) / 2;
    const std::vector<std::uint8_t> codes = Codes();
    const int n = static_cast<int>(codes.size());
    const auto cell = [&](int x, std::uint8_t code) { DrawCharacter(buffer, {x, y}, code); };

    if (alignment_ == ui::taRightJustify && !scrolling_) {
        for (int x = w - cw; x > -cw; x -= cw) cell(x, ' ');
    } else if (alignment_ == ui::taCenter && !scrolling_) {
        for (int x = ((w - n * cw) / 2) % cw - cw; x < w; x += cw) cell(x, ' ');
    } else {
        for (int x = 0; x < w; x += cw) cell(x, ' ');
    }

    if (alignment_ == ui::taRightJustify && !scrolling_) {
        for (int i = n - 1, x = w - cw; i >= 0 && x > -cw; --i, x -= cw) cell(x, codes[static_cast<std::size_t>(i)]);
    } else {
        int x0 = 0;
        if (scrolling_) {
            if (scrollType_ == stRightToLeft) x0 = (w / Pitch()) * Pitch() - scrollOffset_;
            else if (scrollType_ == stLeftToRight) x0 = scrollOffset_ - n * cw;
        } else if (alignment_ == ui::taCenter) {
            x0 = (w - n * cw) / 2;
        }
        for (int i = 0; i < n; ++i) {
            const int x = x0 + i * cw;
            if (x >= w) break;
            if (x > -cw) cell(x, codes[static_cast<std::size_t>(i)]);
        }
    }
    canvas.draw(client.Left, client.Top, buffer.bitmap());
}

void TKitLEDDisplay::ScrollTimerExpired()
{
    scrollOffset_ += Pitch();
    Invalidate();
    if (scrollOffset_ >= scrollLength_) {
        scrollOffset_ = 0;
        DoScrollComplete();
    }
}

void TKitLEDDisplay::DoScrollComplete() { ui::Fire(OnScrollComplete, this); }
