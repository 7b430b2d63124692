// Process entry of Draventa.exe.
#include <windows.h>

#include "ui/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return ui::RunProgram(); }
