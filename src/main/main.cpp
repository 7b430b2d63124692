// Process entry of Draventa.exe and of the host build. On Windows the program is a GUI-subsystem
// executable whose C runtime start-up calls main (its arguments are not used); on the host it
// runs the same start-up over the simulated machine named by DRAVENTA_MACHINE.
#include "ui/program.h"

int main() { return ui::RunProgram(); }
