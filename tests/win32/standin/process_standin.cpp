// A stand-in console program for the process runner tests on Windows:
//   process_standin [--exit N] [--sleep MS] [/s SCRIPT]
// copies SCRIPT's bytes to SCRIPT.seen (what it was given to run), sleeps MS milliseconds, and
// exits with N, else with the value of DRAVENTA_STANDIN_EXIT, else 0.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  int exitCode = 0;
  if (const char* fromEnvironment = std::getenv("DRAVENTA_STANDIN_EXIT")) exitCode = std::atoi(fromEnvironment);
  long sleepMs = 0;
  std::string script;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--exit") == 0) exitCode = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--sleep") == 0) sleepMs = std::atol(argv[++i]);
    else if (std::strcmp(argv[i], "/s") == 0) script = argv[++i];
  }
  if (!script.empty()) {
    std::FILE* in = std::fopen(script.c_str(), "rb");
    if (!in) return 3;
    std::FILE* out = std::fopen((script + ".seen").c_str(), "wb");
    if (!out) return 4;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, n, out);
    std::fclose(in);
    std::fclose(out);
  }
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  return exitCode;
}
