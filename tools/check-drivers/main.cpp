// check_drivers <folder>: checks the driver packages below the folder before the build embeds
// them. Prints one line per failing file and exits 1; exits 0 when every package passes.
#include <iostream>

#include "driver_check.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: check_drivers <driver folder>\n";
    return 2;
  }
  const auto problems = check_drivers::CheckDriverTree(argv[1]);
  for (const auto& problem : problems) std::cerr << problem.file.string() << ": " << problem.reason << "\n";
  return problems.empty() ? 0 : 1;
}
