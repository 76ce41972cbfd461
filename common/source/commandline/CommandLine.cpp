#include "commandline/CommandLine.h"

#include <cstdio>

#include "core/TekstUtf8.h"

#ifndef KG_VERSION_TEXT
#define KG_VERSION_TEXT "0.0.0.0"
#endif

namespace {

constexpr size_t kWidth = 79;
constexpr size_t kColumn = 24;  // where option descriptions start

QString Q(const String& s) { return QString::fromStdString(s); }
String S(const QString& s) { return s.toStdString(); }

// `text` broken at blanks into lines of at most kWidth columns, the first taken to start
// at column `indent` and the others indented to it.
String Wrapped(const String& text, size_t indent) {
  String out;
  size_t column = indent;
  bool lineEmpty = true;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(' ', i);
    if (end == String::npos) end = text.size();
    const String word = text.substr(i, end - i);
    i = end + 1;
    if (word.empty()) continue;
    if (!lineEmpty && column + 1 + word.size() > kWidth) {
      out += "\n" + String(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineEmpty = false;
  }
  return out;
}

// The argument a person typed for option `name`, as Qt reports it without its dashes.
String Typed(const std::vector<String>& arguments, const String& name) {
  for (const String& a : arguments) {
    if (a.size() < 2 || a[0] != '-') continue;
    String bare = a.substr(a[1] == '-' ? 2 : 1);
    bare = bare.substr(0, bare.find('='));
    if (bare == name) return a.substr(0, a.find('='));
  }
  return (name.size() == 1 ? "-" : "--") + name;
}

}  // namespace

CommandLine::CommandLine(String p, std::vector<String> u, String a, String n)
    : program(std::move(p)), usage(std::move(u)), about(std::move(a)), notes(std::move(n)) {
  // "-station" is "--station", as people often type it; there are no clusters of
  // one-letter options to tell it from.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
  parser.addOption(QCommandLineOption("version"));
}

void CommandLine::AddSwitch(const String& name, const String& description) {
  parser.addOption(QCommandLineOption(Q(name)));
  options.push_back({name, {}, description});
}

void CommandLine::AddValue(const String& name, const String& valueName, const String& description) {
  parser.addOption(QCommandLineOption(Q(name), Q(description), Q(valueName)));
  options.push_back({name, valueName, description});
}

void CommandLine::AddArgument(const String& name, const String& description) {
  parser.addPositionalArgument(Q(name), Q(description));
  argument = {name, {}, description};
}

std::optional<String> CommandLine::Read(const std::vector<String>& a) {
  arguments = a;
  // Qt would turn each byte that is not UTF-8 into U+FFFD, and the wire into "?": a value
  // other than was typed.
  for (size_t i = 0; i < a.size(); ++i) {
    if (!PoprawneUtf8(a[i])) {
      throw UsageError("argument nr " + std::to_string(i + 1) + " nie jest poprawnym tekstem UTF-8 (bajty spoza UTF-8)");
    }
  }
  QStringList list{Q(program)};
  for (const String& s : a) list << Q(s);
  if (!parser.parse(list)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
      const String o = Typed(arguments, S(unknown.first()));
      throw UsageError("nieznana opcja " + Skrot(o));
    }
    // Qt's own texts (not translated: no translator is installed) turned into ours.
    const String e = S(parser.errorText());
    const size_t q1 = e.find('\'');
    const size_t q2 = e.rfind('\'');
    const String option = q1 != String::npos && q2 > q1 ? e.substr(q1 + 1, q2 - q1 - 1) : String();
    if (e.rfind("Missing value after", 0) == 0) throw UsageError("brak wartości opcji " + option);
    if (e.rfind("Unexpected value after", 0) == 0) throw UsageError("opcja " + option + " nie przyjmuje wartości");
    throw UsageError(e);
  }
  if (parser.isSet("help")) return HelpText();
  if (parser.isSet("version")) return VersionText();
  const QStringList rest = parser.positionalArguments();
  const qsizetype allowed = argument.name.empty() ? 0 : 1;
  if (rest.size() > allowed) throw UsageError("nieoczekiwany argument " + Cytat(S(rest[allowed])));
  return std::nullopt;
}

bool CommandLine::IsSet(const String& name) const { return parser.isSet(Q(name)); }

std::optional<String> CommandLine::Value(const String& name) const {
  const QStringList v = parser.values(Q(name));
  if (v.isEmpty()) return std::nullopt;
  return S(v.last());
}

std::vector<String> CommandLine::Values(const String& name) const {
  std::vector<String> out;
  for (const QString& v : parser.values(Q(name))) out.push_back(S(v));
  return out;
}

std::optional<String> CommandLine::Argument() const {
  const QStringList rest = parser.positionalArguments();
  if (rest.isEmpty()) return std::nullopt;
  return S(rest.first());
}

String CommandLine::HelpText() const {
  String t;
  for (size_t i = 0; i < usage.size(); ++i) {
    const bool goesOn = !usage[i].empty() && usage[i][0] == ' ';
    if (i == 0) t += "usage: " + program + " " + usage[i];
    else if (goesOn) t += String(8 + program.size(), ' ') + usage[i].substr(usage[i].find_first_not_of(' '));
    else t += "       " + program + " " + usage[i];
    t += "\n";
  }
  if (!about.empty()) t += "\n" + Wrapped(about, 0) + "\n";
  auto entry = [](String left, const String& description) {
    if (left.size() + 2 > kColumn) left += "\n" + String(kColumn, ' ');
    else left += String(kColumn - left.size(), ' ');
    return left + Wrapped(description, kColumn) + "\n";
  };
  if (!argument.name.empty()) t += "\narguments:\n" + entry("  " + argument.name, argument.description);
  t += "\noptions:\n";
  std::vector<Option> all = options;
  all.push_back({"help", {}, "print this text and exit (also -h)"});
  all.push_back({"version", {}, "print the version and exit"});
  for (const Option& o : all) t += entry("  --" + o.name + (o.valueName.empty() ? "" : " " + o.valueName), o.description);
  if (!notes.empty()) t += "\n" + notes + (notes.back() == '\n' ? "" : "\n");
  return t;
}

String CommandLine::VersionText() const { return program + " " + KG_VERSION_TEXT + "\n"; }

std::optional<int> ReadCommandLine(CommandLine& line, int argc, char** argv, const std::function<void()>& interpret) {
  try {
    const std::vector<String> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const std::optional<String> text = line.Read(arguments)) {
      std::fwrite(text->data(), 1, text->size(), stdout);
      std::fflush(stdout);
      return 0;
    }
    if (interpret) interpret();
  } catch (const UsageError& e) {
    return ReportFailure(e);
  } catch (const std::exception& e) {
    // Whatever is wrong with a value is wrong with the command line.
    return ReportFailure(UsageError(e.what()));
  }
  return std::nullopt;
}
