#pragma once
// What an oscdimg stand-in writes as oscdimg does: its messages, and "NN% complete" progress
// that the program reads through its pipe. Shared by the host substitute and the Wine stand-in.
#include <cstdio>
#include <string>

namespace oscdimg_output {

inline void Say(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

inline void Progress(int percent) {
  char line[32];
  std::snprintf(line, sizeof line, "\r%3d%% complete", percent);
  Say(line);
}

// Says the message and gives the exit code of a failed build.
inline int Fail(const std::string& message) {
  Say(message + "\n");
  return 1;
}

}  // namespace oscdimg_output
