// Resource ids of the pictures and the icon embedded in lzgmin.exe (lzgmin.rc).
#pragma once

// The first icon group is the one the shell shows for the exe.
#define IDI_MAINICON 1

// Exit dialog: background (JPEG) and the two button faces (32-bit BMP with alpha), all RCDATA.
#define IDR_HINT_BACKGROUND 101
#define IDR_HINT_STAY 102
#define IDR_HINT_EXIT 103
