#pragma once
// The command line of an executable, read by QCommandLineParser with the project's
// conventions: long options ("--name VALUE", "--name=VALUE", also "-name"), --help and
// -h printing the usage to standard output, --version printing "<program> <version>", at
// most one positional argument (only where the program declares it), and every fault
// raised as a UsageError whose text names the argument. Each executable declares its options on one of these and reads its values
// after Read; ReadCommandLine is the part of main that does it all.
// One thread at a time.
#include <QCommandLineParser>

#include <functional>
#include <optional>
#include <vector>

#include "commandline/TerminalReport.h"
#include "core/String.h"

class CommandLine {
 public:
  // `program`: the name shown in the usage; `usage`: the synopsis, one line per way of
  // calling the program, a line that starts with a blank going on the one before it;
  // `about`: what the program does, shown under the usage; `notes`: shown after the options.
  CommandLine(String program, std::vector<String> usage, String about, String notes = {});
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // Declares "--name" that takes no value.
  void AddSwitch(const String& name, const String& description);
  // Declares "--name VALUE"; `valueName` is how the usage shows the value.
  void AddValue(const String& name, const String& valueName, const String& description);

  // Declares the one positional argument the program takes, shown as `name` in the help
  // under "arguments:"; without it every argument that is no option is refused.
  void AddArgument(const String& name, const String& description);

  // Reads the arguments (without the program's name). Returns the text to print on
  // standard output, ending the program with status 0, for --help or --version; nothing
  // when the program should run. Raises a UsageError for an unknown option, a missing
  // value, a value given to a switch, an argument that is no option beyond the one
  // declared by AddArgument, or an argument that is not well-formed UTF-8 (a value Qt
  // would change). Messages quote at most the first 200 characters of an argument.
  std::optional<String> Read(const std::vector<String>& arguments);

  // After Read: whether the option was given; its last value (none when not given); all
  // its values, in order (for an option that may be repeated).
  bool IsSet(const String& name) const;
  std::optional<String> Value(const String& name) const;
  std::vector<String> Values(const String& name) const;
  // After Read: the positional argument; none when not given.
  std::optional<String> Argument() const;

  // The usage, the options and the notes, as --help prints them.
  String HelpText() const;
  // "<program> <project version>\n", as --version prints it.
  String VersionText() const;

 private:
  struct Option {
    String name;
    String valueName;
    String description;
  };

  String program;
  std::vector<String> usage;
  String about;
  String notes;
  std::vector<Option> options;
  Option argument;  // the positional argument; its name empty when there is none
  std::vector<String> arguments;  // as Read got them, for messages
  QCommandLineParser parser;
};

// "--" + `name`: an option as a person writes it, for messages.
inline String Opcja(const char* name) { return String("--") + name; }

// `f()`, any failure of it raised again as a UsageError that names the option `opcja`,
// so that a value the program cannot use is reported as the command line's fault.
template <class F>
auto Wartosc(const char* opcja, F f) {
  try {
    return f();
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& e) {
    throw UsageError(TerminalSentence(e.what()) + " (" + Opcja(opcja) + ")");
  }
}

// The reading of the command line that every main starts with: Read on the process's
// arguments, then `interpret` (which takes the values out of `line` and raises, a
// UsageError or any other exception, for a value it cannot use). Returns the exit
// status when the program should stop: 0 after printing --help or --version, 2 after a
// bad command line has been reported (ReportFailure); nothing when it should run.
std::optional<int> ReadCommandLine(CommandLine& line, int argc, char** argv,
                                   const std::function<void()>& interpret);
