// Ending the program at once, as the exit command and a failed allocation do. Tests replace the
// hook so that they can observe the exit instead of losing the test process.
#pragma once

#include <functional>

// Ends the process with code at once, unless a hook is installed: then the hook runs instead and
// this function returns when the hook returns.
void ExitProcessNow(int code);

// Installs a hook (an empty function restores the real exit). Returns the previous hook.
std::function<void(int)> SetExitHook(std::function<void(int)> hook);
