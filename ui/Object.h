#pragma once
// The root of every window-system object; event handlers receive their sender as a TObject*.
#include <utility>

namespace ui {

class TObject {
public:
    virtual ~TObject() = default;
};

// Class tests that include subclasses, as the generic routines of the program need them
// ("is this component a TEdit or something derived from it?").
template <class T>
bool Is(const TObject* object)
{
    return dynamic_cast<const T*>(object) != nullptr;
}

// nullptr when the object is not a T.
template <class T>
T* As(TObject* object)
{
    return dynamic_cast<T*>(object);
}

template <class T>
const T* As(const TObject* object)
{
    return dynamic_cast<const T*>(object);
}

// Runs an event handler when one is assigned. The handler is copied first, so that a handler which
// frees its own control (and with it the std::function being run) stays alive until it returns.
template <class F, class... A>
void Fire(const F& handler, A&&... args)
{
    if (!handler) return;
    F copy = handler;
    copy(std::forward<A>(args)...);
}

}  // namespace ui
