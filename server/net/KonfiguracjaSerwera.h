#pragma once
// What a korwendo-server serves, read from its station file (UTF-8 text, a byte-order mark
// at its start allowed):
//
//   polaczen = 10000             ; server-wide settings come before the first section
//   polaczen_z_adresu = 500      ;
//   proxy = 127.0.0.1, 10.0.0.5  ; the load balancers that state each peer's address
//   [Zegar]                      ; one section per station; the section name is the station
//   katalog = /srv/archive/zegar ; the archive's root directory (required)
//   uklad = accurate             ; flat, hierarchy, combo, dailydir, accurate or a pattern with %
//   sufiks = mp3                 ; file suffix without the dot (default mp3)
//   nazwa = zegar                ; the name Rotter gave its files (optional)
//   czas = utc                   ; utc or local: how file names state time (default local)
//   iwenty = /srv/events/zegar.txt ; the station's events and markers (optional)
//   prog_ciszy = -50             ; dead air: below this level in dBFS (default -50)
//   dlugosc_ciszy = 10           ;   for at least this many seconds (default 10)
//   pamiec_ciszy = /var/cache/kg/zegar ; where what the analysis learned is kept (default:
//                                ;   .korwendo-cisza in the archive's root directory)
//
// The lines are read as CzytajLinieIni reads them with a comment allowed after a value:
// lines starting with ';' or '#' are comments, and so is the rest of a line from a ';' or
// '#' that follows a space or a tab; blank lines are ignored. A ';' or '#' with no space
// before it is part of the value. Station names come only from here: nothing a client
// sends ever names a file.
#include <cstdint>
#include <vector>

#include "core/Exception.h"
#include "core/String.h"

namespace serwer {

struct KonfiguracjaStacji {
  String nazwa;
  String katalog;
  String uklad = "accurate";
  String sufiks = "mp3";
  String nazwaPlikow;
  bool utc = false;
  String iwenty;
  double progCiszy = -50;
  double dlugoscCiszy = 10;  // seconds
  String pamiecCiszy{};
};

struct KonfiguracjaSerwera {
  std::vector<KonfiguracjaStacji> stacje;
  // The connections served at once (players, station queries, exports); the descriptor
  // limit is raised at start to fit them (LimitPolaczen).
  int polaczen = 10000;
  // The connections one peer address may hold at once (IPv6: one /64 network), so that no
  // single peer can take every connection the server serves; high enough for an office of
  // listeners behind one NAT address (docs/decisions.md).
  int polaczenZAdresu = 500;
  // The load balancers' addresses (IPv4 dotted, IPv6 in its shortest form, as inet_ntop
  // writes them): a connection from one of them must start with the PROXY header (version
  // 2), and the address it states is the peer's. Empty: no connection is relayed.
  std::vector<String> proxy;
  // What a person starting the server should know although it starts: a file that names no
  // station. One sentence each.
  std::vector<String> ostrzezenia;
};

// A fault of the station file, stated for the person who wrote it: one sentence saying
// what is wrong, where (file and line) and what to do, without the program's source
// location, which Gdzie() keeps for the log.
class BladPlikuStacji : public Exception {
 public:
  BladPlikuStacji(const String& tekst, String gdzie) : Exception(tekst), gdzie_(std::move(gdzie)) {}
  const String& Gdzie() const { return gdzie_; }

 private:
  String gdzie_;
};

// Parses the text of a station file called `plik` (for the messages). Raises
// BladPlikuStacji naming the line for a malformed line or section, a station key before
// the first section, an unknown key, a bad value, a station without "katalog" or a station
// named twice.
KonfiguracjaSerwera CzytajKonfiguracje(const String& tekst, const String& plik);
// The most a station file may hold: a few lines a station make some hundred bytes.
constexpr int64_t kMaksPlikuStacji = 1024 * 1024;

// Reads and parses the file; raises BladPlikuStacji also when it cannot be read, is not a
// regular file (a directory, a device, a FIFO: never waited on) or holds more than
// kMaksPlikuStacji bytes.
KonfiguracjaSerwera CzytajPlikKonfiguracji(const String& sciezka);

}  // namespace serwer
