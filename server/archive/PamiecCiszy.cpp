#include "archive/PamiecCiszy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Plik.h"
#include "core/UnikalnyDeskryptor.h"

namespace {

const char kNaglowek[] = "# KorwendoGra cisza 1";

String Lista(const std::vector<ZakresCzasu>& l) {
  String out;
  for (const ZakresCzasu& z : l) {
    if (!out.empty()) out += ",";
    out += std::to_string(z.poczatek.Wartosc()) + "-" + std::to_string(z.koniec.Wartosc());
  }
  return out;
}

std::vector<String> Pola(const String& linia, char sep) {
  std::vector<String> out;
  size_t od = 0;
  for (;;) {
    const size_t i = linia.find(sep, od);
    out.push_back(linia.substr(od, i == String::npos ? String::npos : i - od));
    if (i == String::npos) return out;
    od = i + 1;
  }
}

// A whole decimal number, or nothing.
std::optional<int64_t> Liczba(const String& s) {
  if (s.empty() || s.size() > 20) return std::nullopt;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  return s[0] == '-' ? -v : v;
}

std::optional<std::vector<ZakresCzasu>> ZListy(const String& s) {
  std::vector<ZakresCzasu> out;
  if (s.empty()) return out;
  for (const String& para : Pola(s, ',')) {
    const size_t m = para.find('-', 1);
    if (m == String::npos) return std::nullopt;
    const auto a = Liczba(para.substr(0, m));
    const auto b = Liczba(para.substr(m + 1));
    if (!a || !b || *b < *a) return std::nullopt;
    out.push_back(ZakresCzasu{Czas(*a), Czas(*b)});
  }
  return out;
}

}  // namespace

PamiecCiszy::PamiecCiszy(String s) : sciezka(std::move(s)) {}

String PamiecCiszy::Wczytaj() {
  KG_TRACE("PamiecCiszy::Wczytaj()");
  if (sciezka.empty()) return String();
  const CalyPlik p = CzytajCalyPlik(sciezka, 64LL * 1024 * 1024, true);
  if (p.stan == CalyPlik::Brak && p.blad == ENOENT) return String();
  if (p.stan != CalyPlik::Wczytany) return p.blad != 0 ? SystemErrorText(p.blad) : String("nie jest zwykłym plikiem");
  wpisy.clear();
  std::istringstream in(p.bajty);
  String linia;
  while (std::getline(in, linia)) {
    if (linia.empty() || linia[0] == '#') continue;
    const std::vector<String> f = Pola(linia, '\t');
    if (f.size() != 9 || f[0].empty()) continue;
    const auto ino = Liczba(f[1]);
    const auto rozmiar = Liczba(f[2]);
    const auto mtime = Liczba(f[3]);
    const auto prog = Liczba(f[4]);
    const auto minimalna = Liczba(f[5]);
    const auto odcinki = ZListy(f[6]);
    const auto cisze = ZListy(f[7]);
    if (!ino || !rozmiar || !mtime || !prog || !minimalna || !odcinki || !cisze) continue;
    Wpis w;
    w.ino = static_cast<uint64_t>(*ino);
    w.rozmiar = *rozmiar;
    w.mtime = Czas(*mtime);
    w.ustawienia.progDbfs = static_cast<double>(*prog) / 100.0;
    w.ustawienia.minimalna = Roznica(*minimalna);
    w.odcinki = std::move(*odcinki);
    w.cisze = std::move(*cisze);
    w.blad = f[8];
    wpisy[f[0]] = std::move(w);
  }
  return String();
}

String PamiecCiszy::Zapisz() const {
  KG_TRACE("PamiecCiszy::Zapisz()");
  if (sciezka.empty()) return String();
  String tekst = String(kNaglowek) + "\n";
  for (const auto& [plik, w] : wpisy) {
    // A name that would break the line is not kept: that file is analysed at each start.
    if (plik.find_first_of("\t\r\n") != String::npos) continue;
    String blad = w.blad;
    for (char& c : blad) {
      if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    tekst += plik + "\t" + std::to_string(w.ino) + "\t" + std::to_string(w.rozmiar) + "\t" +
             std::to_string(w.mtime.Wartosc()) + "\t" + std::to_string(std::lround(w.ustawienia.progDbfs * 100)) +
             "\t" + std::to_string(w.ustawienia.minimalna.Wartosc()) + "\t" + Lista(w.odcinki) + "\t" +
             Lista(w.cisze) + "\t" + blad + "\n";
  }
  const String tymczasowy = sciezka + ".tmp";
  UnikalnyDeskryptor fd(open(tymczasowy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd) return SystemErrorText(errno);
  size_t zapisane = 0;
  while (zapisane < tekst.size()) {
    const ssize_t r = write(fd.Get(), tekst.data() + zapisane, tekst.size() - zapisane);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      const int e = r < 0 ? errno : ENOSPC;
      fd.Reset();
      unlink(tymczasowy.c_str());
      return SystemErrorText(e);
    }
    zapisane += static_cast<size_t>(r);
  }
  if (const int e = fd.Close(); e != 0) {
    unlink(tymczasowy.c_str());
    return SystemErrorText(e);
  }
  if (std::rename(tymczasowy.c_str(), sciezka.c_str()) != 0) {
    const int e = errno;
    unlink(tymczasowy.c_str());
    return SystemErrorText(e);
  }
  return String();
}
