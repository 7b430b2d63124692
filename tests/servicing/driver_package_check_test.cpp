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

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A minimal PE image: a DOS header pointing at the PE signature, the file header and an optional
// header (PE32 for i386, PE32+ otherwise) with no sections.
Bytes PeImage(std::uint16_t machine, std::uint16_t subsystem = 1) {
  const bool plus = machine != 0x14C;
  const std::size_t peAt = 0x80, optionalSize = plus ? 0xF0 : 0xE0;
  Bytes bytes(peAt + 24 + optionalSize, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put(bytes, 0x3C, peAt, 4);
  Put(bytes, peAt, 0x00004550, 4);  // "PE\0\0"
  Put(bytes, peAt + 4, machine, 2);
  Put(bytes, peAt + 20, optionalSize, 2);
  Put(bytes, peAt + 22, 0x0102, 2);  // executable, 32-bit word machine
  Put(bytes, peAt + 24, plus ? 0x20B : 0x10B, 2);
  Put(bytes, peAt + 24 + 68, subsystem, 2);
  return bytes;
}

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

}  // namespace
