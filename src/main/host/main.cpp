// Process entry of the host build: the same start-up as Draventa.exe, over the simulated
// machine named by DRAVENTA_MACHINE.
#include "ui/program.h"

int main() { return ui::RunProgram(); }
