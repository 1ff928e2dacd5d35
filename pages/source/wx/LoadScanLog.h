// Load Log on the source page: the open dialog for a ".kvsl" file, the log's checks and header
// (engine/scanlog/ScanLogHeader.h), then the pages of the mode the log was saved in, which read
// the log's records instead of scanning. The source page is hidden while they run and finds its
// own source choice, mode and title again when they return.
#pragma once

#include <functional>
#include <string>

class wxWindow;

// Does nothing while a load is under way (g_LogLoaded). choosePath stands for the file dialog
// (tests); it returns the chosen path, or nothing when the dialog was cancelled. Returns 0.
int LoadScanLog(wxWindow* sourcePage,
                const std::function<bool(std::string&)>& choosePath = {});
