// The one reset of every global the engine keeps: what the program holds at start, before any
// source is chosen or scanned. Tests call it instead of picking resets one by one; pages and
// widgets reset their own state.
#pragma once

// Frees every result list and clears the scan state and flags, the source globals and the
// volume geometry, the MFT map, the device handle cache and zero-filled sector count, the copy
// flags and counters, the FAT copy's table choice, the image target and the scan log globals.
void ResetProgramState();
