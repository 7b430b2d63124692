#pragma once
// The Windows image the servicing step is working on while it adds the drivers to Windows
// itself, for the window's status line: the step (worker thread) sets it before posting the
// image's first state, the window (its own thread) reads it to word the status in its language.
#include <cstdint>
#include <string>

struct ServicedImage {
  std::wstring name;         // the image's name as DISM gives it ("Windows 7 PROFESSIONAL")
  std::uint32_t number = 0;  // 1-based place in the series
  std::uint32_t total = 0;   // images in the series
};

void SetServicedImage(const ServicedImage& image);
ServicedImage CurrentServicedImage();
