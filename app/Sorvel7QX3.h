#pragma once
// The program's entry: the splash with its fade, the application's title, the windows in their
// order (the main window first), the one forms controller, the splash gone; then the event loop until
// the main window closes, and the windows go.
//
// A front end installs its services, observer and event pump on ui::App() and then calls
// RunProgram() with its own event loop; tests call StartProgram() and drive the windows it made.
#include <functional>

// The splash fades in from its own opacity in this many passes of this many milliseconds.
inline constexpr int SplashPasses = 41;
inline constexpr int SplashPauseMs = 5;
inline constexpr int SplashStep = 5;
inline constexpr int FullOpacity = 255;

// The splash window's opacity after the given number of passes from Start: it stops at full opacity.
int SplashOpacityAfter(int Start, int Passes);

// Everything before the event loop. On return FormMain exists and owns the forms controller; the
// splash is gone also when a step failed (the failure passes on).
void StartProgram();
// The main window and the windows made with it go (the main window's forms controller saves the
// pages first when it still exists). Safe to call when nothing was started.
void FinishProgram();
// StartProgram, the event loop until the main window closes, FinishProgram. EventLoop shows the main
// window and runs until the application is terminated, giving the exit code; without one,
// ui::Application::Run (exit code 0). The exit code is 1 when the start failed (the application's
// error box has told why).
int RunProgram(const std::function<int()>& EventLoop = {});
