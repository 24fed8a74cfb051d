#pragma once
// The root of every window-system object; event handlers receive their sender as a TObject*.
namespace ui {

class TObject {
public:
    virtual ~TObject() = default;
};

}  // namespace ui
