// lzgmin.exe: every process of the client, engine sub-processes included, starts here.
#include <windows.h>

#include "launch/launch_sequence.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return lzg::RunLaunchSequence(); }
