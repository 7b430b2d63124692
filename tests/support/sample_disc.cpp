#include "support/sample_disc.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "sim/machine/machine.h"

namespace test {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::string MakeSampleDisc(const std::string& hostFolder, const SampleDiscOptions& options) {
  const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
  if (!tools) {
    std::cerr << "DRAVENTA_TEST_TOOLS is not set: run the tests through ctest\n";
    return {};
  }
  std::string command = Quoted(std::string(tools) + "/make_sample_disc") + " --out " + Quoted(hostFolder) +
                        " --arch " + (options.amd64 ? "amd64" : "x86");
  if (options.sizeBytes) command += " --size " + std::to_string(options.sizeBytes);
  if (!options.label.empty()) command += " --label " + Quoted(options.label);
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  if (::pclose(pipe) != 0) return {};
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

std::wstring InsertSampleDisc(TempMachine& machine, char letter, const SampleDiscOptions& options) {
  std::string label = MakeSampleDisc(machine.Builder().HostFolderOf(letter), options);
  if (label.empty()) return {};
  std::wstring wide = platform::host::FromUtf8(label);
  machine.Builder().Optical(letter, wide);
  machine.Apply();
  return wide;
}

}  // namespace test
