#include "commandline/CommandLine.h"

#include <gtest/gtest.h>

namespace {

// A program with a repeatable value, a single value and a switch.
struct Line : CommandLine {
  Line() : CommandLine("prog", {"--server HOST:PORT ... [--list]", "  [--at TIME]", "--config FILE"},
                       "What the program does.", "Notes after the options.") {
    AddValue("server", "HOST:PORT", "a server; may be repeated");
    AddValue("at", "TIME", "the moment to start at");
    AddSwitch("list", "list the stations");
  }
};

String UsageErrorOf(const std::vector<String>& arguments) {
  Line l;
  try {
    l.Read(arguments);
  } catch (const UsageError& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

TEST(CommandLine, ValuesSwitchesAndRepeats) {
  Line l;
  EXPECT_FALSE(l.Read({"--server", "a:1", "--server=b", "-at", "T", "--list"}));
  EXPECT_EQ(l.Values("server"), (std::vector<String>{"a:1", "b"}));
  EXPECT_EQ(l.Value("at"), "T");
  EXPECT_TRUE(l.IsSet("list"));

  Line none;
  EXPECT_FALSE(none.Read({}));
  EXPECT_FALSE(none.IsSet("list"));
  EXPECT_FALSE(none.Value("at"));
  EXPECT_TRUE(none.Values("server").empty());
}

TEST(CommandLine, BadCommandLinesNameTheArgument) {
  struct Case {
    std::vector<String> arguments;
    String text;
  };
  const Case cases[] = {
      {{"--bogus"}, "nieznana opcja --bogus"},
      {{"--list", "-x=1"}, "nieznana opcja -x"},
      {{"--server"}, "brak wartości opcji --server"},
      {{"--list=yes"}, "opcja --list nie przyjmuje wartości"},
      {{"--list", "stray"}, "nieoczekiwany argument \"stray\""},
      {{"--", "--list"}, "nieoczekiwany argument \"--list\""},
      // Bytes that are not UTF-8 would reach the program changed; they are refused.
      {{"--at", "a\xFF\xFE"}, "argument nr 2 nie jest poprawnym tekstem UTF-8 (bajty spoza UTF-8)"},
      {{"--list", "\xC0\xAF"}, "argument nr 2 nie jest poprawnym tekstem UTF-8 (bajty spoza UTF-8)"},
      // A long argument is quoted by its first 200 characters.
      {{"--list", String(131000, 'k')}, ("nieoczekiwany argument \"" + String(200, 'k') + "…\" (131000 znaków)")},
      {{"--" + String(300, 'o')}, ("nieznana opcja \"--" + String(198, 'o') + "…\" (302 znaków)")},
  };
  for (const Case& c : cases) EXPECT_EQ(UsageErrorOf(c.arguments), c.text) << c.arguments[0].substr(0, 40);
}

// One positional argument where the program declares it; a second is refused.
TEST(CommandLine, OnePositionalArgumentWhenDeclared) {
  Line l;
  l.AddArgument("LINK", "what to open");
  EXPECT_FALSE(l.Read({"--list", "korwendo://h/Zegar?t=1"}));
  EXPECT_EQ(l.Argument(), "korwendo://h/Zegar?t=1");
  EXPECT_TRUE(l.IsSet("list"));
  Line none;
  none.AddArgument("LINK", "what to open");
  EXPECT_FALSE(none.Read({"--list"}));
  EXPECT_FALSE(none.Argument());
  Line two;
  two.AddArgument("LINK", "what to open");
  try {
    two.Read({"a", "b"});
    ADD_FAILURE() << "two arguments accepted";
  } catch (const UsageError& e) {
    EXPECT_EQ(e.Message(), "nieoczekiwany argument \"b\"");
  }
  EXPECT_NE(two.HelpText().find("\narguments:\n  LINK                  what to open\n\noptions:\n"), String::npos)
      << two.HelpText();
}

TEST(CommandLine, HelpAndVersion) {
  Line l;
  const std::optional<String> help = l.Read({"--server", "a", "--help"});
  ASSERT_TRUE(help);
  EXPECT_EQ(*help,
            "usage: prog --server HOST:PORT ... [--list]\n"
            "            [--at TIME]\n"
            "       prog --config FILE\n"
            "\n"
            "What the program does.\n"
            "\n"
            "options:\n"
            "  --server HOST:PORT    a server; may be repeated\n"
            "  --at TIME             the moment to start at\n"
            "  --list                list the stations\n"
            "  --help                print this text and exit (also -h)\n"
            "  --version             print the version and exit\n"
            "\n"
            "Notes after the options.\n");
  Line h;
  EXPECT_EQ(h.Read({"-h"}), help);
  Line v;
  const std::optional<String> version = v.Read({"--version"});
  ASSERT_TRUE(version);
  EXPECT_EQ(version->rfind("prog ", 0), 0u);
  EXPECT_EQ(*version, v.VersionText());
  EXPECT_EQ(version->back(), '\n');
}

TEST(CommandLine, LongDescriptionsWrapUnderTheirColumn) {
  CommandLine l("p", {""}, "");
  l.AddValue("a-very-long-option-name", "VALUE",
             "a description long enough to need more than one line of the terminal, which "
             "goes on under its own column");
  const String help = l.HelpText();
  EXPECT_NE(help.find("  --a-very-long-option-name VALUE\n                        a description"), String::npos)
      << help;
  size_t start = 0;
  for (size_t end; (end = help.find('\n', start)) != String::npos; start = end + 1) {
    EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
  }
}

}  // namespace
