#include "korwendo-export/OpcjeEksportu.h"

#include <climits>

#include "commandline/LinkZLinii.h"
#include "core/TekstUtf8.h"
#include "export/Exporter.h"
#include "textforms/CzasTekstowy.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

namespace {

// What the Exporter adds to a name at most: a file's number and its extension ("99999.wav").
constexpr size_t kDopisek = 9;
// The longest name of a file in a directory, with what the Exporter adds.
constexpr size_t kNajdluzszaNazwa = NAME_MAX - kDopisek;

// The last part of a path.
String OstatniaCzesc(const String& sciezka) {
  const size_t k = sciezka.rfind('/');
  return k == String::npos ? sciezka : sciezka.substr(k + 1);
}

// The longest beginning of `s` of at most `n` bytes that ends on a whole UTF-8 character.
String Poczatek(const String& s, size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

}  // namespace

LiniaEksportu::LiniaEksportu()
    : CommandLine("korwendo-export",
                  {"--server HOST[:PORT] --station NAME --from TIME --to TIME",
                   "  [--from TIME --to TIME ...] [--pcm] [--output FILE] [--overwrite]",
                   "LINK --to TIME [--pcm] [--output FILE] [--overwrite]"},
                  "Exports the recordings of a station in the given intervals from an archive "
                  "server into audio files: as recorded (MPEG audio to FILE.mp3, PCM to "
                  "FILE.wav) or, with --pcm, decoded to 16-bit PCM in FILE.wav. A change of "
                  "format goes on in FILE2, FILE3, ... Each file written is printed on its own "
                  "line at the end; on a terminal a progress bar shows on standard error. "
                  "Files that exist already are not replaced unless --overwrite is given. "
                  "SIGINT stops the export and closes the file cleanly.",
                  "TIME: ISO 8601 in UTC (2026-12-10T08:30:00Z) or with an offset\n"
                  "  (2026-12-10T09:30:00+01:00), or 16 hexadecimal digits.\n"
                  "HOST[:PORT]: a name or address, an IPv6 one in brackets ([::1]:12540);\n"
                  "  the port is 12540 when none is given.\n"
                  "LINK: korwendo://HOST[:PORT]/STATION?t=TIME, the station's name percent-encoded\n"
                  "  (UTF-8), as KorwendoGra copies it (Ctrl+Shift+C): the server, the station and\n"
                  "  the beginning of the one interval.\n"
                  "The intervals form one set: overlapping ones and ones less than 3 s apart merge.\n"
                  "Exit status: 0 the export ended and every file was closed; 1 it failed\n"
                  "  (unknown station, no recordings in the intervals, server unreachable or\n"
                  "  refusing); 2 a bad command line; 3 the connection was lost during the\n"
                  "  export (the files printed hold what arrived); 130 stopped by SIGINT.\n") {
  AddValue(OpcjaEksport::Serwer, "HOST[:PORT]", "the archive server");
  AddValue(OpcjaEksport::Stacja, "NAME", "the station to export");
  AddValue(OpcjaEksport::Od, "TIME", "the beginning of an interval; may be repeated");
  AddValue(OpcjaEksport::Do, "TIME", "the end of the interval begun by the --from of the same place");
  AddSwitch(OpcjaEksport::Pcm, "decode to 16-bit PCM WAV; default: the recorded format");
  AddValue(OpcjaEksport::Wyjscie, "FILE",
           "the file name, to which the extension is added unless it ends in it; "
           "default: the station and the beginning, in the current directory");
  AddSwitch(OpcjaEksport::Zastap, "replace files that exist already; default: refuse to start");
  AddArgument(OpcjaEksport::Link, "the server, station and beginning to export from, in place of --server, "
                                  "--station and --from; --to gives the end");
}

OpcjeEksportu LiniaEksportu::Opcje() const {
  OpcjeEksportu o;
  std::vector<String> od = Values(OpcjaEksport::Od);
  const std::vector<String> do_ = Values(OpcjaEksport::Do);
  // The beginnings as times; a link's is its moment.
  std::vector<Czas> poczatki;
  if (const auto l = LinkZLinii(*this, {OpcjaEksport::Serwer, OpcjaEksport::Stacja, OpcjaEksport::Od})) {
    if (do_.size() != 1) {
      throw UsageError("link potrzebuje jednego " + Opcja(OpcjaEksport::Do) + " (" + std::to_string(do_.size()) + " " +
                       Opcja(OpcjaEksport::Do) + ")");
    }
    o.serwer = l->serwer;
    o.stacja = l->stacja;
    od = {NapisIsoZwiezly(l->chwila)};
    poczatki = {l->chwila};
  } else {
    const std::optional<String> serwer = Value(OpcjaEksport::Serwer);
    if (!serwer) throw UsageError("brak " + Opcja(OpcjaEksport::Serwer));
    o.serwer = Wartosc(OpcjaEksport::Serwer, [&] { return ParseServerAddress(*serwer).Text(); });
    const std::optional<String> stacja = Value(OpcjaEksport::Stacja);
    if (!stacja || stacja->empty()) throw UsageError("brak " + Opcja(OpcjaEksport::Stacja));
    // The name alone: the server is --server's, and the name goes to it as it is.
    if (const String b = BladNazwyStacji(*stacja); !b.empty()) {
      const String rada = stacja->find('@') != String::npos ? "; serwer podaje " + Opcja(OpcjaEksport::Serwer) : String();
      throw UsageError(b + " " + Cytat(*stacja) + " (" + Opcja(OpcjaEksport::Stacja) + rada + ")");
    }
    o.stacja = *stacja;
    if (od.empty()) throw UsageError("brak " + Opcja(OpcjaEksport::Od) + " i " + Opcja(OpcjaEksport::Do));
    if (od.size() != do_.size()) {
      throw UsageError("każdy " + Opcja(OpcjaEksport::Od) + " potrzebuje swojego " + Opcja(OpcjaEksport::Do) + " (" +
                       std::to_string(od.size()) + " " + Opcja(OpcjaEksport::Od) + ", " + std::to_string(do_.size()) +
                       " " + Opcja(OpcjaEksport::Do) + ")");
    }
    for (const String& t : od) poczatki.push_back(Wartosc(OpcjaEksport::Od, [&] { return ParsujCzas(t); }));
  }
  for (size_t i = 0; i < od.size(); ++i) {
    const Czas a = poczatki[i];
    const Czas b = Wartosc(OpcjaEksport::Do, [&] { return ParsujCzas(do_[i]); });
    if (b <= a) {
      throw UsageError("przedział " + Poczatek(od[i], kCytatZnakow) + " - " + Poczatek(do_[i], kCytatZnakow) +
                       " nie kończy się po swoim początku");
    }
    o.przedzialy.Add(Przedzial{a, b});
  }
  o.pcm = IsSet(OpcjaEksport::Pcm);
  if (const auto p = Value(OpcjaEksport::Wyjscie)) {
    if (p->empty()) throw UsageError("pusta nazwa pliku " + Opcja(OpcjaEksport::Wyjscie));
    if (const size_t n = OstatniaCzesc(*p).size(); n > kNajdluzszaNazwa) {
      throw UsageError("za długa nazwa pliku " + Cytat(*p) + ": " + std::to_string(n) + " bajtów, a najwyżej " +
                       std::to_string(kNajdluzszaNazwa) + " (" + Opcja(OpcjaEksport::Wyjscie) + ")");
    }
    o.plik = *p;
  }
  o.zastap = IsSet(OpcjaEksport::Zastap);
  return o;
}

String NazwaEksportu(const OpcjeEksportu& o) {
  if (o.plik) return *o.plik;
  // A long station's name is cut so that the name, its date and what the Exporter adds
  // fit in a directory (the proposed name is a file in the current directory).
  const size_t data = Exporter::NazwaProponowana(String(), o.przedzialy).size();
  return Exporter::NazwaProponowana(Poczatek(o.stacja, kNajdluzszaNazwa - data), o.przedzialy);
}

std::optional<String> OdmowaZastapienia(const OpcjeEksportu& o) {
  if (o.zastap) return std::nullopt;
  const std::vector<String> pliki = Exporter::IstniejacePliki(NazwaEksportu(o), o.pcm);
  if (pliki.empty()) return std::nullopt;
  String lista;
  for (const String& p : pliki) lista += (lista.empty() ? "" : ", ") + p;
  return pliki.size() == 1 ? "plik " + lista + " już istnieje, a eksport by go zastąpił"
                           : "pliki " + lista + " już istnieją, a eksport by je zastąpił";
}

OpcjeEksportu ParsujOpcjeEksportu(const std::vector<String>& argumenty) {
  LiniaEksportu l;
  if (const auto tekst = l.Read(argumenty)) throw UsageError("--help i --version czyta tylko main");
  return l.Opcje();
}
