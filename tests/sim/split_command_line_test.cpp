// The one command-line splitter of the substitutes and the tests, by CommandLineToArgvW's rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_argument.h"
#include "sim/machine/split_command_line.h"

namespace {

using Words = std::vector<std::wstring>;

TEST(SplitCommandLine, FollowsTheRulesOfCommandLineToArgvW) {
  struct Case {
    const wchar_t* line;
    Words words;
  };
  const Case cases[] = {
      // The C runtime's rules: 2n backslashes before a quote give n, 2n+1 give n and a literal
      // quote; other backslashes stay; "" inside quotes is a literal quote.
      {LR"("C:\x y\t.exe" a\\"b c" \"q\" d\e "in ""side")", {LR"(C:\x y\t.exe)", LR"(a\b c)", L"\"q\"", LR"(d\e)", L"in \"side"}},
      // A backslash before a source's closing quote escapes it, so source and output merge.
      {LR"(t "C:\tmp\" "D:\X.iso")", {L"t", LR"(C:\tmp" D:\X.iso)"}},
      // The program name runs to the next quote with no escapes at all.
      {LR"("C:\dir\"tool -x)", {LR"(C:\dir\)", L"tool", L"-x"}},
      {LR"(C:\dir\tool.exe  a	 b )", {LR"(C:\dir\tool.exe)", L"a", L"b"}},
      // Quotes group blanks; an unterminated quote runs to the end; "" is an empty word.
      {LR"(p "a b" "" "open ended)", {L"p", L"a b", L"", L"open ended"}},
      {LR"(p a"b c"d)", {L"p", L"ab cd"}},
      {LR"(p \\\\)", {L"p", LR"(\\\\)"}},
      {L"", {L""}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::host::SplitCommandLine(c.line), c.words) << c.line;
}

// The program's quoting is the splitter's inverse: every argument comes back as it went in,
// whatever backslashes, quotes and blanks it holds, alone or after an option's colon.
TEST(SplitCommandLine, ReadsBackEveryArgumentTheProgramQuoted) {
  const Words arguments = {L"plain", L"", LR"(C:\a b\boot.wim)", LR"(C:\ProgramData\DraventaWin\2130\)",
                           LR"(C:\x y\\)", LR"(say "hi")", LR"(a\\"b)", L"tab\there", LR"(\\server\share\x)"};
  for (const std::wstring& argument : arguments) {
    const std::wstring line = LR"(C:\dism.exe )" + QuoteCommandArgument(argument) + L" /MountDir:" +
                              QuoteCommandArgument(argument);
    EXPECT_EQ(platform::host::SplitCommandLine(line), (Words{LR"(C:\dism.exe)", argument, L"/MountDir:" + argument}));
  }
}

}  // namespace
