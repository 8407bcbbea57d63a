#pragma once
// The plain waits around opening and closing the port go through one function,
// which tests replace so that no test sleeps.
#include <functional>

using TPauseFn = std::function<void(int ms)>;

void Pause(int ms);
// Replaces the pause; an empty function restores the real sleep. Returns the old one.
TPauseFn SetPauseHook(TPauseFn hook);
