#pragma once
// The demo's simulated machine: C: with the program, its oscdimg folders and "OS" folder, D:
// with the output folder D:\ISO, a Windows 7 disc in the optical drive E: (generated, or a
// folder the user names) and a USB stick F:; with a Windows profile, DISM where that Windows
// keeps it (the dism.exe substitute installed).
#include <cstdint>
#include <string>

struct DemoOptions {
  std::string out = "demo-output";
  std::string tools;            // <build>/tools: the substitutes and the disc generator
  std::uint64_t discMiB = 300;  // size of the generated disc
  std::string discFolder;       // a folder to use as the disc instead of a generated one
  std::uint64_t usbGiB = 8;     // the stick's size
  std::string usbLayout = "mbr";  // the stick's layout (MachineBuilder::UsbStickWithLayout)
  std::string osFolder;         // a folder whose contents make the "OS" folder beside the program
  std::string extraDrivers;     // a folder of the user's own driver packages, copied to D:\ExtraDrivers
  std::string bootFiles;        // a folder whose etfsboot.com and efisys.bin replace the demo's blank ones
  bool verify = false;          // the USB job checks every file after writing
  double fakeStickGiB = 0;      // > 0: the stick keeps only its first this many GiB (a fake-capacity stick)
  std::string only;             // "iso", "usb" or empty for both jobs
  bool allImages = false;       // "Also add the drivers to Windows itself" is ticked
  std::string windows;          // a Windows profile of the machine (MachineBuilder::Windows), empty: the default machine
  std::string programFiles = DRAVENTA_PROGRAM_FILES;  // the files that lie beside the program (build)
};

struct DemoMachine {
  std::string folder;  // the machine folder
  std::string label;   // the disc's volume label
};

// Builds the machine in <out>/machine and makes it this process's machine; false with the
// reason printed when it can't.
bool BuildDemoMachine(const DemoOptions& options, DemoMachine& machine);
