// The check the build runs over the chip makers' driver packages before embedding them
// (tools/check-drivers): a well-formed package passes, and each fault fails naming its file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "driver_check.h"
#include "servicing/test_wim.h"
#include "platform/text.h"
#include "servicing/driver_files.h"
#include "servicing/extra_drivers.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes PeImage(std::uint16_t machine, std::uint16_t subsystem = 1) { return test::PeFileBytes(machine, subsystem); }

Bytes Der(unsigned char tag, const Bytes& contents) {
  Bytes out{tag};
  if (contents.size() < 0x80) {
    out.push_back(static_cast<unsigned char>(contents.size()));
  } else if (contents.size() < 0x100) {
    out.push_back(0x81);
    out.push_back(static_cast<unsigned char>(contents.size()));
  } else {
    out.push_back(0x82);
    out.push_back(static_cast<unsigned char>(contents.size() >> 8));
    out.push_back(static_cast<unsigned char>(contents.size()));
  }
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

// ContentInfo { contentType OID, [0] content }; the content is long enough that the outer
// SEQUENCE needs the long length form.
Bytes ContentInfo(unsigned char oidLast) {
  Bytes oid = Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, oidLast});
  Bytes content = Der(0xA0, Der(0x30, Der(0x04, Bytes(200, 0x5A))));
  oid.insert(oid.end(), content.begin(), content.end());
  return Der(0x30, oid);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Utf16WithMark(const std::string& text) {
  Bytes out{0xFF, 0xFE};
  for (char c : text) {
    out.push_back(static_cast<unsigned char>(c));
    out.push_back(0);
  }
  return out;
}

std::string Inf(const std::string& signature = "$Windows NT$", const std::string& cls = "USB") {
  return "; sample\r\n[Version]\r\nSignature = \"" + signature + "\"\r\nClass = " + cls +
         " ; the controller\r\nCatalogFile = xhci.cat\r\n\r\n"
         "[SourceDisksNames.x86]\r\n1 = %Disk%,,,\\i386\r\n[SourceDisksNames.amd64]\r\n1 = %Disk%,,,\\amd64\r\n"
         "[SourceDisksFiles.x86]\r\nxhci.sys = 1\r\n[SourceDisksFiles.amd64]\r\nXHCI.SYS = 1\r\n"
         "[SourceDisksFiles]\r\nxhci.man = 1,,\r\n[Strings]\r\nDisk = \"Disk; 1\"\r\n";
}

void Write(const fs::path& file, const Bytes& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

TEST(DriverPackageCheck, AWellFormedPackagePassesAndEachFaultFailsNamingItsFile) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> spoil;  // changes the well-formed package
    const char* file;                            // the file named, below the tree; "" when it passes
    const char* reason;                          // a part of the reason
  };
  const Case cases[] = {
      {"well-formed, UTF-16 INF", [](const fs::path&) {}, "", ""},
      {"well-formed, ANSI INF", [](const fs::path& p) { Write(p / "xhci.inf", Text(Inf())); }, "", ""},
      {"well-formed, UTF-8 INF with its mark",
       [](const fs::path& p) {
         Bytes inf{0xEF, 0xBB, 0xBF};
         const Bytes text = Text(Inf("$WINDOWS nt$", "usb"));
         inf.insert(inf.end(), text.begin(), text.end());
         Write(p / "xhci.inf", inf);
       },
       "", ""},
      {"text .sys", [](const fs::path& p) { Write(p / "i386/xhci.sys", Text("MZ\r\nnot a driver\r\n")); },
       "i386/xhci.sys", "not a PE image"},
      {".sys of the wrong machine", [](const fs::path& p) { Write(p / "amd64/XHCI.sys", PeImage(0x14C)); },
       "amd64/XHCI.sys", "machine 0x14C, but its folder amd64 wants 0x8664"},
      {".sys for the Windows subsystem", [](const fs::path& p) { Write(p / "i386/xhci.sys", PeImage(0x14C, 2)); },
       "i386/xhci.sys", "not native"},
      {"file missing beside its INF", [](const fs::path& p) { fs::remove(p / "amd64/XHCI.sys"); }, "xhci.inf",
       "amd64\\XHCI.SYS"},
      {"undecorated section's file missing", [](const fs::path& p) { fs::remove(p / "xhci.man"); }, "xhci.inf",
       "xhci.man"},
      {".cat that is text", [](const fs::path& p) { Write(p / "xhci.cat", Text("signs nothing\r\n")); }, "xhci.cat",
       "not DER PKCS#7"},
      {".cat of plain PKCS#7 data", [](const fs::path& p) { Write(p / "xhci.cat", ContentInfo(0x01)); }, "xhci.cat",
       "not PKCS#7 SignedData"},
      {".cat longer than its DER length",
       [](const fs::path& p) {
         Bytes cat = ContentInfo(0x02);
         cat.push_back(0);
         Write(p / "xhci.cat", cat);
       },
       "xhci.cat", "1 bytes of the file outside it"},
      {"INF without $Windows NT$", [](const fs::path& p) { Write(p / "xhci.inf", Utf16WithMark(Inf("$Chicago$"))); },
       "xhci.inf", "not \"$Windows NT$\""},
      {"INF of another class", [](const fs::path& p) { Write(p / "xhci.inf", Text(Inf("$Windows NT$", "Net"))); },
       "xhci.inf", "Class is Net"},
      {"UTF-16 INF without its mark",
       [](const fs::path& p) {
         const Bytes marked = Utf16WithMark(Inf());
         Write(p / "xhci.inf", Bytes(marked.begin() + 2, marked.end()));
       },
       "xhci.inf", "does not parse"},
  };

  const fs::path root = fs::temp_directory_path() / ("draventa-driver-check-" + std::to_string(::getpid()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root);
    const fs::path package = root / "Vendor";
    Write(package / "xhci.inf", Utf16WithMark(Inf()));
    Write(package / "xhci.cat", ContentInfo(0x02));
    Write(package / "xhci.man", Text("<manifest/>"));
    Write(package / "i386/xhci.sys", PeImage(0x14C));
    Write(package / "amd64/XHCI.sys", PeImage(0x8664));
    Write(root / "Other/ia64/hub.sys", PeImage(0x200));
    Write(root / "Other/hub.inf", Text("[Version]\nSignature=$Windows NT$\nClass=USB\n"));
    c.spoil(package);

    const auto problems = check_drivers::CheckDriverTree(root);
    if (std::string(c.file).empty()) {
      EXPECT_TRUE(problems.empty()) << problems.front().file << ": " << problems.front().reason;
      continue;
    }
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].file, package / c.file);
    EXPECT_NE(problems[0].reason.find(c.reason), std::string::npos) << problems[0].reason;
  }
  fs::remove_all(root);
  EXPECT_EQ(check_drivers::CheckDriverTree(root).size(), 1u) << "a missing tree fails";
}

// The check a boot manager passes before it becomes a stick's efi\boot\bootx64.efi: only a PE32+
// x64 EFI application, each other file refused with its reason.
TEST(UefiLoaderCheck, OnlyAnX64EfiApplicationPasses) {
  auto with = [](Bytes bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
    return bytes;
  };
  const Bytes good = PeImage(0x8664, 10);
  constexpr std::size_t kOptional = 0x80 + 24;  // where PeFileBytes puts the optional header
  const struct {
    const char* what;
    Bytes bytes;
    const char* reason;  // nullptr: passes
  } cases[] = {
      {"x64 EFI application", good, nullptr},
      {"zero bytes", {}, "is empty"},
      {"x86 EFI application", PeImage(0x14C, 10), "is built for machine 0x14C, not x64 (0x8664)"},
      {"Itanium EFI application", PeImage(0x200, 10), "is built for machine 0x200, not x64 (0x8664)"},
      {"x64 console program", PeImage(0x8664, 3), "has subsystem 3, not an EFI application (10)"},
      {"x64 EFI boot service driver", PeImage(0x8664, 11), "has subsystem 11, not an EFI application (10)"},
      {"x64 with a PE32 optional header", with(good, kOptional, 0x10B), "has optional header magic 0x10B, not PE32+ (0x20B)"},
      {"cut before the subsystem", Bytes(good.begin(), good.begin() + kOptional + 60), "has no complete optional header"},
      {"optional header too short", with(good, 0x80 + 20, 64), "has no complete optional header"},
      {"no MZ header", Text("not a program at all, but long enough to hold a DOS header's sixty-four bytes"),
       "is not a PE image (no MZ header)"},
      {"no PE signature", with(good, 0x80, 0), "is not a PE image (no PE signature at e_lfanew 0x80)"},
  };
  for (const auto& c : cases) {
    const auto reason = driver_files::CheckX64EfiApplication(c.bytes);
    EXPECT_EQ(reason.value_or("passes"), c.reason ? c.reason : "passes") << c.what;
  }
}

// The user's own folder, examined for the disc's processor: one package per case beside a good
// one of each processor, so each case shows both what fits and what is skipped and why.
TEST(ExtraDriverFolder, FittingPackagesAreListedAndTheOthersSkippedWithTheirReason) {
  struct Case {
    const char* what;
    bool is64;
    std::string inf;  // the case's INF text, in "case\\case.inf"
    Bytes sys;        // its i386 and amd64 .sys; empty: none written
    const char* reason;  // a part of the reason it is skipped; "" when it fits
  };
  const std::string both = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=USB\r\n[Manufacturer]\r\n%M%=Models,NTx86,NTamd64\r\n"
                           "[SourceDisksNames]\r\n1=%Disk%\r\n[SourceDisksFiles.x86]\r\ncase.sys=1,i386\r\n"
                           "[SourceDisksFiles.amd64]\r\ncase.sys=1,amd64\r\n";
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = both;
    return text.replace(text.find(from), from.size(), to);
  };
  const Case cases[] = {
      {"good x86, ANSI", false, both, PeImage(0x14C), ""},
      {"good amd64, UTF-16", true, both, PeImage(0x8664), ""},
      {"models for amd64 only on an x86 disc", false, replaced("NTx86,", ""), PeImage(0x14C), "models for amd64 only"},
      {"undecorated models on an amd64 disc", true, replaced(",NTx86,NTamd64", ""), PeImage(0x8664), "x86 only"},
      {".sys of the wrong machine", true, both, PeImage(0x14C), "amd64\\case.sys is built for machine 0x14C"},
      {"text .sys", false, both, Text("stands in for the driver"), "i386\\case.sys is not a PE image"},
      {"no signature", false, replaced("$Windows NT$", "$Chicago$"), PeImage(0x14C), "not \"$Windows NT$\""},
      {"no device class", true, replaced("Class=USB\r\n", ""), PeImage(0x8664), "names no device class"},
      {"missing .sys", true, both, {}, "names amd64\\case.sys, which does not lie beside it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempMachine machine;
    machine.Builder().Fixed('D', 1);
    machine.Apply();
    const std::string arch = c.is64 ? "amd64" : "i386";
    const Bytes good = PeImage(c.is64 ? 0x8664 : 0x14C);
    Write(machine.Host(L"D:\\drivers\\good\\case.inf"), Text(both));
    Write(machine.Host(L"D:\\drivers\\good\\" + platform::AnsiToWide(arch) + L"\\case.sys"), good);
    Write(machine.Host(L"D:\\drivers\\deep\\a\\b\\c\\d\\e\\f\\g\\case.inf"), Text(both));  // too deep
    Write(machine.Host(L"D:\\drivers\\z\\case.inf"), std::string(c.what) == "good amd64, UTF-16" ? Utf16WithMark(c.inf) : Text(c.inf));
    if (!c.sys.empty()) Write(machine.Host(L"D:\\drivers\\z\\" + platform::AnsiToWide(arch) + L"\\case.sys"), c.sys);

    const auto found = ExamineDriverFolder(L"D:\\drivers\\", c.is64);
    EXPECT_EQ(found.folder, L"D:\\drivers");
    std::vector<std::wstring> fitting{L"D:\\drivers\\good\\case.inf"};
    if (std::string(c.reason).empty()) fitting.push_back(L"D:\\drivers\\z\\case.inf");
    EXPECT_EQ(found.fitting, fitting);
    if (std::string(c.reason).empty()) {
      EXPECT_TRUE(found.skipped.empty());
      continue;
    }
    ASSERT_EQ(found.skipped.size(), 1u);
    EXPECT_EQ(found.skipped[0].inf, L"D:\\drivers\\z\\case.inf");
    EXPECT_NE(platform::WideToAnsi(found.skipped[0].reason).find(c.reason), std::string::npos)
        << platform::WideToAnsi(found.skipped[0].reason);
  }
}

}  // namespace
