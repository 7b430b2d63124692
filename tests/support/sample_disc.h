#pragma once
// A generated Windows 7 disc in an optical drive of a test machine, made by the
// make_sample_disc tool that the build puts in DRAVENTA_TEST_TOOLS.
#include <cstdint>
#include <string>

#include "support/temp_machine.h"

namespace test {

struct SampleDiscOptions {
  bool amd64 = false;
  std::uint64_t sizeBytes = 0;  // 0: the base tree only (a few MiB)
  std::string label;            // empty: the generator's default (GRMCULFRER_EN_DVD for x86)
};

// Generates the disc into the root folder of optical drive `letter`, adds the drive to the
// machine with the disc's label and applies the machine. Returns the label; empty on failure
// (the reason is printed to standard error).
std::wstring InsertSampleDisc(TempMachine& machine, char letter, const SampleDiscOptions& options = {});

// Generates the disc into a host folder; returns its label, empty on failure.
std::string MakeSampleDisc(const std::string& hostFolder, const SampleDiscOptions& options = {});

}  // namespace test
