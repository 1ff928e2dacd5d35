// Leaving the program, as every page's exit command and close box do: ask "Do you want to exit."
// and on Yes end the process at once with exit code 0. Any thread may ask (the results page asks
// from a worker); the process ends under every other thread.
#pragma once

inline constexpr const char* kExitQuestion = "Do you want to exit.";

// Ends the process at once with exit code 0 (tests replace the exit through SetExitHook, and then
// this returns).
void ExitApplication();

// Asks the exit question through the installed prompts; on Yes calls ExitApplication. Returns
// whether the user answered Yes.
bool ConfirmExit();
