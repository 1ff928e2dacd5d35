// The application's start-up and its one page: fills the start-up globals, installs the dialog
// prompts, the desktop launcher and the link commands, makes the shared icon lists, then runs the
// mode page as the program's life.
#pragma once

// Everything before the first page. Needs the toolkit to be initialised.
void StartUpApplication();

// Runs the mode page modally. It returns only when the page cannot be shown; every exit from
// the page ends the process in ExitApplication.
int RunRecoveryModePage();

// What the application's exit does when the process does end normally: ends worker questions,
// frees the icon lists.
void ShutDownApplication();
