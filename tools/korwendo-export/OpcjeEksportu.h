#pragma once
// The command line of korwendo-export: its option names, what they ask for and how they
// are read. Thread-safe: plain values, and a line read by one thread.
#include <optional>

#include "commandline/CommandLine.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"

// The option names, as given after "--".
namespace OpcjaEksport {
inline constexpr const char* Serwer = "server";
inline constexpr const char* Stacja = "station";
inline constexpr const char* Od = "from";
inline constexpr const char* Do = "to";
inline constexpr const char* Pcm = "pcm";
inline constexpr const char* Wyjscie = "output";
inline constexpr const char* Zastap = "overwrite";
// The positional argument: a link to a moment, in place of --server, --station and --from.
inline constexpr const char* Link = "LINK";
}  // namespace OpcjaEksport

// What the command line asks for.
struct OpcjeEksportu {
  String serwer;                 // --server, as ServerAddress writes it back
  String stacja;                 // --station NAME
  Przedzialy przedzialy;         // the --from/--to pairs, as one interval set
  bool pcm = false;              // --pcm: decoded 16-bit PCM WAV; else the recorded format
  std::optional<String> plik;    // --output FILE; else the proposed name in the current directory
  bool zastap = false;           // --overwrite: existing files the export writes are replaced
};

// The name the files are made from: --output, else the proposed name of the station and
// the intervals' beginning (in the current directory), the station's name cut so that
// the file's name with its number and extension fits in a directory (NAME_MAX bytes).
String NazwaEksportu(const OpcjeEksportu& o);

// Without --overwrite, the sentence refusing an export that would replace existing files
// (named), for the terminal; none when nothing would be replaced or --overwrite is given.
std::optional<String> OdmowaZastapienia(const OpcjeEksportu& o);

// korwendo-export's command line: every option declared, with the usage --help prints.
class LiniaEksportu : public CommandLine {
 public:
  LiniaEksportu();
  // After Read: the options; a link gives the server, the station and the one interval's
  // beginning, its --to the end. Raises a UsageError for a value it cannot use: a missing
  // --server or --station, a bad address, time or link, --from and --to not given in
  // pairs, a link with --server, --station or --from or with other than one --to, an
  // interval that does not end after it begins, an empty --output or one whose file name
  // (its last part) would not fit in a directory, a --station name that BladNazwyStacji
  // refuses (one holding "@" among them: the server is --server's).
  OpcjeEksportu Opcje() const;
};

// Read and Opcje on the arguments (without argv[0]); raises a UsageError for --help and
// --version too, which only main may act on.
OpcjeEksportu ParsujOpcjeEksportu(const std::vector<String>& argumenty);
