// The program's first window until the mode page takes its place.
#pragma once

class wxFrame;

wxFrame* CreateMainFrame();
