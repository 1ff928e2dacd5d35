// Save Log of the found-file-systems and results pages: the file dialog on the UI thread, then
// the log written on a worker of its own (g_SaveLogThread) while the page stays responsive. The
// page keeps its lists unchanged until the worker has ended: it is told on its own event queue,
// after the worker has been joined.
#pragma once

#include <functional>
#include <string>
#include <thread>

class wxWindow;

// The log writer while it runs (joinable), else empty.
extern std::thread g_SaveLogThread;

// Asks for the log's path with the save dialog ("*.kvsl") and starts the writer on it; ended runs
// on page's event queue once the writer has finished. Returns false when a log is being saved
// already or the dialog was cancelled (an empty path is told to the user as the writer tells it).
bool SaveScanLogThread(wxWindow& page, std::function<void()> ended);

// Starts the writer on a path already chosen (the dialog's second half; tests use it).
bool StartSaveScanLog(wxWindow& page, const std::string& path, std::function<void()> ended);

// Waits for a running writer; a page calls it before it frees what the writer reads.
void JoinSaveLogThread();
