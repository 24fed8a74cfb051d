#include "app/fAbout.h"

#include <algorithm>
#include <string>

#include "app/fUpdateIns.h"
#include "kit/KitGrafx.h"
#include "ui/Canvas.h"
#include "ui/Layout.h"

TFormAbout* FormAbout = nullptr;

namespace {

constexpr TColor kBannerDark = 0x733A1F;
constexpr TColor kBannerLight = 0xC6864F;
constexpr TColor kBannerSubtitle = 0xF5E8DC;
constexpr int kBannerMargin = 16;

// The name, and the version below it when the program file has one.
std::string ProgramText(const std::string& version)
{
    const std::string name = TFormAbout::ProgramName;
    return version.empty() ? name : name + "\nВерсия " + version;
}

// A communicator's signal bars, rising to the right, standing on `bottom`; where they end.
int DrawSignalBars(ui::Canvas& canvas, int left, int bottom)
{
    constexpr int bars = 4, width = 6, gap = 3, step = 8;
    canvas.pen.style = ui::PenStyle::Clear;
    canvas.brush = ui::Brush::Solid(clWhite);
    for (int i = 0; i < bars; ++i) {
        const int x = left + i * (width + gap);
        canvas.fillRect(ui::Rect(x, bottom - (i + 2) * step, x + width, bottom));
    }
    return left + bars * (width + gap) - gap;
}

// The program's banner: its name in white on a blue gradient, beside a communicator's signal bars.
ui::Bitmap Banner(int width, int height)
{
    ui::Canvas canvas(width, height);
    PaintGradientRect(canvas, ui::Rect(0, 0, width, height), gdHorizontalEnd, kBannerDark, kBannerLight, 0);
    const int textLeft = DrawSignalBars(canvas, kBannerMargin, height - kBannerMargin) + kBannerMargin;
    canvas.brush = ui::Brush::Clear();
    canvas.font.name = "Tahoma";
    canvas.font.bold = true;
    canvas.font.height = 22;
    canvas.font.color = clWhite;
    const int nameHeight = canvas.textHeight(TFormAbout::BannerName);
    canvas.textOut(textLeft, kBannerMargin - 4, TFormAbout::BannerName);
    canvas.font.bold = false;
    canvas.font.height = 12;
    canvas.font.color = kBannerSubtitle;
    canvas.textOut(textLeft, kBannerMargin - 4 + nameHeight, "Программа настройки");
    return canvas.bitmap();
}

}  // namespace

TFormAbout::TFormAbout(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("О программе");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({ui::biSystemMenu});
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(320);
    SetClientHeight(0);

    // Across the top, the program's own banner, drawn here: no picture file to lose.
    Image1 = ui::Create<ui::TImage>(this, "Image1", this);
    Image1->SetCenter(true);
    Image1->SetProportional(true);
    Image1->SetTransparent(true);
    Image1->SetBounds(0, 0, ClientWidth(), BannerHeight);
    Image1->SetPictureBitmap(Banner(ClientWidth(), BannerHeight));

    KitURLLabel1 = ui::Create<TKitURLLabel>(this, "KitURLLabel1", this);
    KitURLLabel1->SetAlignment(ui::taCenter);
    KitURLLabel1->SetWordWrap(true);
    KitURLLabel1->SetWidth(ClientWidth() - 16);
    KitURLLabel1->Hide();

    KitLabel2 = ui::Create<TKitLabel>(this, "KitLabel2", this);
    KitLabel2->SetAlignment(ui::taCenter);
    KitLabel2->SetCaption(ProgramText(ProgramFileVersion()));

    Button1 = ui::Create<ui::TButton>(this, "Button1", this);
    Button1->SetCaption("OK");
    Button1->SetModalResult(ui::mrOk);
    Button1->SetDefault(true);
    // Esc closes the window as its button does.
    Button1->SetCancel(true);

    ui::Layout::Stack(*this, {KitLabel2, Button1}, {.lead = BannerHeight});
    for (ui::TControl* c : {static_cast<ui::TControl*>(KitLabel2), static_cast<ui::TControl*>(Button1)})
        c->SetLeft((ClientWidth() - c->Width()) / 2);

    Button1->OnClick = [this](ui::TObject* Sender) { Button1Click(Sender); };
}

void TFormAbout::Button1Click(ui::TObject*) { Close(); }
