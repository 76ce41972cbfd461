#include "player/ZapisUstawien.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/ErrorText.h"
#include "core/Exception.h"

namespace {

[[noreturn]] void Blad(const String& co, const String& nazwa, int kod) {
  throw Exception(co + " \"" + nazwa + "\": " + SystemErrorText(kod));
}

// Flushes the named file or directory to the disk.
void Utrwal(const String& nazwa, int flagi) {
  const int fd = ::open(nazwa.c_str(), O_RDONLY | O_CLOEXEC | flagi);
  if (fd < 0) Blad("nie można otworzyć", nazwa, errno);
  if (fsync(fd) != 0) {
    const int kod = errno;
    close(fd);
    Blad("nie można zapisać na dysk", nazwa, kod);
  }
  close(fd);
}

String Katalog(const String& sciezka) {
  const size_t ukosnik = sciezka.rfind('/');
  if (ukosnik == String::npos) return ".";
  if (ukosnik == 0) return "/";
  return sciezka.substr(0, ukosnik);
}

}  // namespace

ZapisUstawien::ZapisUstawien(String s) : sciezka(std::move(s)) {
  KG_TRACE("ZapisUstawien::ZapisUstawien(String sciezka)");
  String wzor = sciezka + ".XXXXXX";
  const int fd = mkstemp(wzor.data());
  if (fd < 0) Blad("nie można utworzyć pliku obok", sciezka, errno);
  tymczasowy = wzor;
  struct stat stary {};
  if (stat(sciezka.c_str(), &stary) == 0) fchmod(fd, stary.st_mode & 07777);
  close(fd);
  plik = std::make_unique<Plik>(tymczasowy);
  plik->open(Plik::Zapis, Plik::OtworzIstniejacy);
}

ZapisUstawien::~ZapisUstawien() {
  if (zatwierdzony) return;
  plik.reset();
  if (!tymczasowy.empty()) unlink(tymczasowy.c_str());
}

void ZapisUstawien::Writeln(const String& s) {
  KG_TRACE("ZapisUstawien::Writeln(const String& s)");
  plik->Writeln(ToCp1250(s));
}

void ZapisUstawien::WriteIniValue(const String& Name, const String& Value) {
  KG_TRACE("ZapisUstawien::WriteIniValue(const String& Name, const String& Value)");
  String v = Value;
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  Writeln(Name + "=" + v);
}

void ZapisUstawien::Zatwierdz() {
  KG_TRACE("ZapisUstawien::Zatwierdz()");
  plik->Close();
  Utrwal(tymczasowy, 0);
  if (rename(tymczasowy.c_str(), sciezka.c_str()) != 0) Blad("nie można zastąpić", sciezka, errno);
  zatwierdzony = true;
  // The new name is on the disk only once the directory is.
  Utrwal(Katalog(sciezka), O_DIRECTORY);
}
