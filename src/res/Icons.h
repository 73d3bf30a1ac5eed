#pragma once
#include "platform/StatusBar.h"

// The program's icons, drawn by the program itself; loaded once, kept for the run.
HICON LoadIconById(int id, int size);
