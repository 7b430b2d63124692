#include "dism_command.h"

#include <cstdio>
#include <cstdlib>

namespace dismexe {

namespace {

constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t kInvalidImageIndex = static_cast<std::int32_t>(0xC0040005u);
const char kCrLf[] = "\r\n";

std::string Lower(std::string text) {
  for (auto& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

struct VerbName {
  const char* name;
  Verb verb;
};
constexpr VerbName kVerbs[] = {
    {"get-wiminfo", Verb::GetWimInfo},   {"mount-wim", Verb::MountWim},     {"add-driver", Verb::AddDriver},
    {"commit-wim", Verb::CommitWim},     {"unmount-wim", Verb::UnmountWim}, {"remount-wim", Verb::RemountWim},
    {"cleanup-wim", Verb::CleanupWim},   {"get-mountedwiminfo", Verb::GetMountedWimInfo},
};

// The options each command takes; the global ones (/English, /LogPath, /LogLevel) go with any.
struct OptionRule {
  const char* name;
  const char* spelled;  // as DISM's help writes it
  bool valued;
  std::vector<Verb> verbs;  // the commands that take it (required ones are checked apart)
};
const std::vector<OptionRule>& Rules() {
  static const std::vector<OptionRule> rules = {
      {"wimfile", "WimFile", true, {Verb::GetWimInfo, Verb::MountWim}},
      {"index", "Index", true, {Verb::GetWimInfo, Verb::MountWim}},
      {"mountdir", "MountDir", true, {Verb::MountWim, Verb::CommitWim, Verb::UnmountWim, Verb::RemountWim}},
      {"readonly", "ReadOnly", false, {Verb::MountWim}},
      {"image", "Image", true, {Verb::AddDriver}},
      {"driver", "Driver", true, {Verb::AddDriver}},
      {"forceunsigned", "ForceUnsigned", false, {Verb::AddDriver}},
      {"commit", "Commit", false, {Verb::UnmountWim}},
      {"discard", "Discard", false, {Verb::UnmountWim}},
  };
  return rules;
}

std::string Refused(const std::string& text) {
  return text + "\r\nFor more information, refer to the help by running DISM.exe /?.";
}

// The options a command cannot do without, in the order DISM names them.
std::string MissingOption(const Command& c, const std::vector<std::string>& seen) {
  auto has = [&](const char* name) {
    for (const auto& s : seen)
      if (s == name) return true;
    return false;
  };
  std::vector<const char*> needed;
  switch (c.verb) {
    case Verb::GetWimInfo: needed = {"wimfile"}; break;
    case Verb::MountWim: needed = {"wimfile", "index", "mountdir"}; break;
    case Verb::AddDriver: needed = {"image", "driver"}; break;
    case Verb::CommitWim:
    case Verb::RemountWim: needed = {"mountdir"}; break;
    case Verb::UnmountWim:
      needed = {"mountdir"};
      if (has("commit") == has("discard")) return "/Commit or /Discard";
      break;
    default: break;
  }
  for (const char* name : needed)
    if (!has(name))
      for (const auto& rule : Rules())
        if (std::string(rule.name) == name) return std::string("/") + rule.spelled;
  return {};
}

}  // namespace

Command ParseCommand(const std::vector<std::string>& words) {
  Command c;
  std::vector<std::string> seen;
  std::vector<std::pair<std::string, std::string>> options;  // (lowered name, value)
  for (const auto& word : words) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
      c.error = Refused("The option " + word + " is unknown.");
      return c;
    }
    std::size_t colon = word.find(':');
    std::string name = Lower(word.substr(1, colon == std::string::npos ? std::string::npos : colon - 1));
    std::string value = colon == std::string::npos ? std::string() : word.substr(colon + 1);
    bool isVerb = false;
    for (const auto& v : kVerbs) {
      if (name != v.name) continue;
      isVerb = true;
      if (c.verb != Verb::None) {
        c.error = Refused("Only one command may be given: /" + c.verbName + " and " + word + ".");
        return c;
      }
      c.verb = v.verb;
      c.verbName = v.name;
    }
    if (isVerb) continue;
    options.emplace_back(name, value);
  }
  if (c.verb == Verb::None) {
    c.error = Refused("No command was specified.");
    return c;
  }
  for (const auto& [name, value] : options) {
    bool known = name == "english" || name == "logpath" || name == "loglevel";
    bool valued = name != "english";
    for (const auto& rule : Rules()) {
      if (name != rule.name) continue;
      for (Verb v : rule.verbs) known = known || v == c.verb;
      valued = rule.valued;
    }
    if (!known) {
      c.error = Refused("The " + name + " option is unknown.");
      return c;
    }
    if (valued == value.empty()) {
      c.error = Refused(valued ? "The /" + name + " option needs a value." : "The /" + name + " option takes no value.");
      return c;
    }
    seen.push_back(name);
    if (name == "logpath") c.logPath = value;
    else if (name == "wimfile") c.wimFile = value;
    else if (name == "mountdir") c.mountDir = value;
    else if (name == "image") c.image = value;
    else if (name == "driver") c.driver = value;
    else if (name == "readonly") c.readOnly = true;
    else if (name == "forceunsigned") c.forceUnsigned = true;
    else if (name == "commit") c.commit = true;
    else if (name == "index") {
      char* end = nullptr;
      unsigned long index = std::strtoul(value.c_str(), &end, 10);
      if (*end != '\0' || index == 0 || index > 0xFFFFFFFFul || value[0] == '-') {
        c.error = Refused("The value " + value + " of the /Index option is not valid.");
        return c;
      }
      c.index = static_cast<std::uint32_t>(index);
    }
  }
  if (std::string missing = MissingOption(c, seen); !missing.empty())
    c.error = Refused("The /" + c.verbName + " command needs the " + missing + " option.");
  return c;
}

std::string ProgressBar(double percent) {
  constexpr int kWidth = 58;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  std::string inner(kWidth, ' ');
  int done = static_cast<int>(percent * kWidth / 100);
  for (int i = 0; i < done; ++i) inner[static_cast<std::size_t>(i)] = '=';
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", percent);
  std::string label = text;
  inner.replace((kWidth - label.size()) / 2, label.size(), label);
  return "[" + inner + "]";
}

namespace {

// Prints one progress bar as DISM does: every update starts with a carriage return, the bar at
// 100 % ends its line. Jumps are filled in tenths, so a fast step still shows its way there.
class Bar {
 public:
  explicit Bar(const std::function<void(const std::string&)>& write) : write_(write) {}
  void Update(int percent) {
    if (percent <= last_) return;
    for (int step = (last_ / 10 + 1) * 10; step < percent && step < 100; step += 10) Show(step);
    if (percent < 100) Show(percent);
  }
  void Finish() {
    Update(100);
    write_(Line(100) + kCrLf);
    open_ = false;
  }
  // Ends a bar cut short by a failure with its line.
  void Break() {
    if (open_) write_(kCrLf);
    open_ = false;
  }
  Progress AsProgress() {
    return [this](int percent) { Update(percent); };
  }

 private:
  // One update: a carriage return and the bar. (Built by appending: GCC 12 warns wrongly about
  // a concatenation here.)
  static std::string Line(int percent) {
    std::string line(1, '\r');
    line.append(ProgressBar(percent));
    return line;
  }
  void Show(int percent) {
    write_(Line(percent));
    last_ = percent;
    open_ = true;
  }
  const std::function<void(const std::string&)>& write_;
  int last_ = -1;
  bool open_ = false;
};

std::string Grouped(std::uint64_t value) {
  std::string digits = std::to_string(value), grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

const char* StatusText(int status) {
  return status == kMountNeedsRemount ? "Needs Remount" : status == kMountInvalid ? "Invalid" : "Ok";
}

// Runs one step under a progress bar headed by `title`.
std::int32_t WithBar(const std::string& title, const std::function<void(const std::string&)>& write,
                     const std::function<std::int32_t(const Progress&)>& step) {
  write(title + kCrLf);
  Bar bar(write);
  bar.Update(0);
  std::int32_t hr = step(bar.AsProgress());
  if (hr < 0) bar.Break();
  else bar.Finish();
  return hr;
}

// `refusal` is set to the text of a failure that the servicer did not report itself.
std::int32_t Execute(const Command& c, Servicer& s, const std::function<void(const std::string&)>& write,
                     std::string& refusal) {
  switch (c.verb) {
    case Verb::GetWimInfo: {
      std::vector<ImageSummary> images;
      if (std::int32_t hr = s.GetWimInfo(c.wimFile, images); hr < 0) return hr;
      // With /Index:N, the one image in detail, its architecture included.
      if (c.index != 0) {
        if (c.index > images.size()) {
          refusal = "The specified image index " + std::to_string(c.index) + " is not in the file.";
          return kInvalidImageIndex;
        }
        images = {images[c.index - 1]};
      }
      std::string text = "Details for image : " + c.wimFile + kCrLf + kCrLf;
      for (const auto& image : images) {
        text += "Index : " + std::to_string(image.index) + kCrLf + "Name : " + image.name + kCrLf +
                "Description : " + image.description + kCrLf + "Size : " + Grouped(image.bytes) + " bytes" + kCrLf;
        if (c.index != 0)
          text += "Architecture : " + (image.architecture.empty() ? std::string("<undefined>") : image.architecture) +
                  kCrLf;
        text += kCrLf;
      }
      write(text);
      return 0;
    }
    case Verb::MountWim:
      return WithBar("Mounting image", write, [&](const Progress& p) { return s.Mount(c, p); });
    case Verb::AddDriver: {
      write(std::string("Searching for driver package(s) to install...") + kCrLf +
            "Found 1 driver package(s) to install." + kCrLf);
      std::int32_t hr = s.AddDriver(c);
      write("Installing 1 of 1 - " + c.driver + ": " +
            (hr < 0 ? "Error - The driver package could not be installed." : "The driver package was successfully installed.") +
            kCrLf);
      return hr;
    }
    case Verb::CommitWim:
      return WithBar("Saving image", write, [&](const Progress& p) { return s.Commit(c.mountDir, p); });
    case Verb::UnmountWim: {
      std::int32_t hr = 0;
      if (c.commit) {
        hr = WithBar("Saving image", write, [&](const Progress& p) { return s.Unmount(c.mountDir, true, p); });
        if (hr < 0) return hr;
        return WithBar("Unmounting image", write, [](const Progress&) { return 0; });
      }
      return WithBar("Unmounting image", write, [&](const Progress& p) { return s.Unmount(c.mountDir, false, p); });
    }
    case Verb::RemountWim:
      return WithBar("Remounting image", write, [&](const Progress&) { return s.Remount(c.mountDir); });
    case Verb::CleanupWim: {
      write(std::string("Scanning drive C for stale files") + kCrLf);
      std::int32_t hr = s.Cleanup();
      if (hr >= 0) write(std::string("Scanning drive C for stale files [1 of 1]: 100%") + kCrLf);
      return hr;
    }
    case Verb::GetMountedWimInfo: {
      std::vector<MountSummary> mounts;
      if (std::int32_t hr = s.GetMounted(mounts); hr < 0) return hr;
      std::string text = mounts.empty() ? std::string("No mounted images found.") + kCrLf + kCrLf
                                        : std::string("Mounted images:") + kCrLf + kCrLf;
      for (const auto& m : mounts)
        text += "Mount Dir : " + m.mountDir + kCrLf + "Image File : " + m.imageFile + kCrLf + "Image Index : " +
                std::to_string(m.index) + kCrLf + "Mounted Read/Write : " + (m.readWrite ? "Yes" : "No") + kCrLf +
                "Status : " + StatusText(m.status) + kCrLf + kCrLf;
      write(text);
      return 0;
    }
    case Verb::None: break;
  }
  return kFail;
}

// DISM's error block; returns the exit code: the Win32 code of an HRESULT_FROM_WIN32, else the
// HRESULT itself.
std::uint32_t ReportError(std::uint32_t hr, const std::string& text, const std::string& logPath,
                          const std::function<void(const std::string&)>& write) {
  std::uint32_t code = hr;
  char number[16];
  if ((hr & 0xFFFF0000u) == 0x80070000u) code = hr & 0xFFFFu;
  if (code == hr && hr > 0xFFFFu) std::snprintf(number, sizeof number, "0x%08x", hr);
  else std::snprintf(number, sizeof number, "%u", code);
  write(std::string(kCrLf) + "Error: " + number + kCrLf + kCrLf + text + kCrLf + kCrLf +
        "The DISM log file can be found at " + logPath + kCrLf);
  return code;
}

}  // namespace

std::uint32_t RunDism(const std::vector<std::string>& words, Servicer& servicer, const std::string& version,
                      const std::string& defaultLogPath, const std::function<void(const std::string&)>& write) {
  Command c = ParseCommand(words);
  std::string logPath = c.logPath.empty() ? defaultLogPath : c.logPath;
  std::string fault = c.verbName.empty() ? std::string() : servicer.Fault(c.verbName);
  if (fault == "garbage") {
    write("\x01\x7f?? DSM~~ 4f1c:77 <<stale>> 0x \xfe\xff\r\n@@@ -- ## %% !!\r\n");
    return static_cast<std::uint32_t>(kFail);
  }
  write(std::string(kCrLf) + "Deployment Image Servicing and Management tool" + kCrLf + "Version: " + version + kCrLf +
        kCrLf);
  if (!c.error.empty()) return ReportError(kInvalidParameter, c.error, logPath, write);
  if (fault == "hang") servicer.Hang();

  std::string line = "dism.exe";
  for (const auto& word : words) line += " " + word;
  std::int32_t hr = servicer.Start(logPath);
  servicer.Log(line);
  if (hr >= 0 && !fault.empty()) {
    hr = static_cast<std::int32_t>(std::strtoul(fault.c_str(), nullptr, 16));
    if (hr >= 0) hr = kFail;
    servicer.Log("/" + c.verbName + " failed: the machine's fault switch is set.");
    std::uint32_t code = ReportError(static_cast<std::uint32_t>(hr), "The /" + c.verbName + " command failed.", logPath, write);
    servicer.Stop();
    return code;
  }
  std::string refusal;
  if (hr >= 0) hr = Execute(c, servicer, write, refusal);
  std::uint32_t code = 0;
  if (hr < 0) {
    std::string text = refusal.empty() ? servicer.LastError() : refusal;
    if (text.empty()) text = "The operation failed.";
    code = ReportError(static_cast<std::uint32_t>(hr), text, logPath, write);
  } else {
    write(std::string("The operation completed successfully.") + kCrLf);
  }
  char result[48];
  std::snprintf(result, sizeof result, "exit code 0x%08x", code);
  servicer.Log(result);
  servicer.Stop();
  return code;
}

}  // namespace dismexe
