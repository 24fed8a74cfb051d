// The kit's colour arithmetic, which the hot-track faces and the frames derive their colours from. How
// frames, gradients and glyphs look is held by KitPicturesTest.
#include "KitStage.h"

#include <array>

using ui::Rgb;

TEST(KitColors, HueSaturationLightnessArithmetic)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(clRed, h, s, l);
    EXPECT_EQ((std::array{h, s, l}), (std::array<std::uint8_t, 3>{0, 240, 120}));
    ColorToHSL(clBtnFace, h, s, l);  // system colours are resolved first
    EXPECT_EQ(l, Round(240 * (212 + 200) / 510.0L));
    const std::vector<std::pair<TColor, TColor>> results = {
        {ColorHue(clLime), 80},
        {HSLToColor(0, 240, 120), clRed},
        {HSLToColor(77, 0, 120), Rgb(128, 128, 128)},  // grey of the lightness, hue ignored
        {HSLToColor(240, 240, 120), Rgb(255, 6, 0)},   // just past the last sextant: the red sector
        {HSLToColor(100, 200, 250), clWhite},
        {LighterColor(clBtnShadow, 30), Rgb(159, 159, 159)},
        {LighterColor(clGray, 256), clGray},  // only the low byte of the amount counts
        {AdjustColor(clBtnShadow, -30), DarkerColor(clBtnShadow, 30)},
        {AdjustColor(clBtnFace, 0), clBtnFace},  // untouched: still the system colour
        {BlendColors(clWhite, clBlack, 128), Rgb(128, 128, 128)},
        {BlendColors(clBlack, clBtnFace, 40), Rgb(179, 175, 169)},
        {ComplementColor(clBlue, 60), HSLToColor(40, 240, 60)},
        {ComplementColor(clAqua, 120), HSLToColor(0, 240, 120)},  // hue 120 turns back to 0
    };
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i].first, results[i].second) << "case " << i;
    for (const TColor c : {clRed, clNavy, clBtnFace, TColor{0x123456}}) EXPECT_EQ(std::pair(LighterColor(c, 255), DarkerColor(c, 255)), std::pair(TColor{clWhite}, TColor{clBlack}));
    EXPECT_TRUE(SimilarColors(clSilver, clWhite));  // both hue 0, lightness 181 and 240
    EXPECT_FALSE(SimilarColors(clGray, clSilver) || SimilarColors(clRed, clLime));
}
