// A stand-in for oscdimg in the Windows tests:
//   iso_standin [--exit N] [--hang] P1 P2 ...
// prints "\r NN% complete" for each value (one write each, 200 ms apart), then with --hang
// waits a minute without output, and exits with N (default 0).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
  int exitCode = 0;
  bool hang = false;
  std::printf("Scanning source tree\r\n");
  std::fflush(stdout);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--exit") == 0 && i + 1 < argc) {
      exitCode = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--hang") == 0) {
      hang = true;
    } else {
      std::printf("\r%3d%% complete", std::atoi(argv[i]));
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  if (hang) std::this_thread::sleep_for(std::chrono::seconds(60));
  std::printf("\r\n");
  return exitCode;
}
