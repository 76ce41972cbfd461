#include "player/ListaStacji.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <algorithm>
#include <filesystem>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "player/CzytnikGniazdaQt.h"
#include "player/EsencjaPlayera.h"
#include "player/PlikIni.h"
#include "player/ZapisUstawien.h"
#include "transport/CelStacji.h"
#include "transport/Paczka2.h"
#include "transport/Protokol.h"
#include "transport/ServerAddress.h"

// One station query: a non-blocking socket of the window's thread, the packet that collects
// the answer, and whether a query is in progress on it.
struct Konekt {
  std::unique_ptr<QTcpSocket> gniazdo;
  Paczka2 odbior;
  bool aktywny = false;
};

namespace {

// A time as the settings files hold it: 16 hexadecimal digits (lower-case ones too).
bool CzytajCzas(String tekst, Czas& wynik) {
  for (char& c : tekst) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return Czas::CzytajHex(tekst, wynik);
}

// The lines of a station query's answer; CR, LF or CR LF end a line, empty lines are none.
std::vector<String> Linie(const String& s) {
  std::vector<String> linie;
  size_t poczatek = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] != '\r' && s[i] != '\n') continue;
    if (i > poczatek) linie.push_back(s.substr(poczatek, i - poczatek));
    if (i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n') ++i;
    poczatek = i + 1;
  }
  return linie;
}

void SprawdzIndeks(int a, size_t c) {
  if (a < 0 || static_cast<size_t>(a) >= c) KG_ASSERTION("a<0||a>=c");
}

}  // namespace

String klient::Serwer::Adres() const { return ServerAddress{adres, port}.Text(); }

String klient::Stacja::Cel() const { return CelStacji{nazwa, ServerAddress{serwer->adres, serwer->port}}.Napis(); }

ListaStacji::ListaStacji(String k) : katalog(std::move(k)), ulubione(IleUlubionych) {
  KG_TRACE("ListaStacji::ListaStacji(String k)");
}

ListaStacji::~ListaStacji() {
  TraceMarkDepth();
  try {
    if (odczytane) ZapiszListeSerwerow();
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
  TraceReturnToMark();
  // The sockets go first, without a word to handlers that would touch the lists.
  for (auto& k : konekty) {
    if (k && k->gniazdo) {
      k->gniazdo->disconnect();
      k->gniazdo->abort();
    }
  }
  konekty.clear();
}

void ListaStacji::OdczytajListeSerwerow() {
  KG_TRACE("ListaStacji::OdczytajListeSerwerow()");
  odczytane = true;
  const PlikIni serweryIni(katalog + "/" + PlikSerwerow);
  chronSerwery = serweryIni.DajStan() == PlikIni::Nieczytelny;
  for (int n = 0;; ++n) {
    const String wartosc = serweryIni.Czytaj("Serwery", "Serwer" + std::to_string(n));
    if (wartosc.empty()) break;
    // A wrong port falls back to the default one; a value that names no host is of no
    // use and is left out.
    const AddressReading r = ReadServerAddress(wartosc);
    switch (r.fault) {
      case AddressFault::None:
        break;
      case AddressFault::AfterBracket:
      case AddressFault::EmptyPort:
      case AddressFault::BadPort:
      case AddressFault::PortOutOfRange:
        Log(1, "serwer \"" + wartosc + "\": zły port, przyjęto " + std::to_string(DomyslnyPort), KG_WHERE);
        break;
      default:
        Log(1, "serwer \"" + wartosc + "\" pominięty: " + AddressFaultText(r.fault), KG_WHERE);
        continue;
    }
    DodajSerwer(r.address.host, r.fault == AddressFault::None ? r.address.port : DomyslnyPort);
  }

  const PlikIni uzytkownikaIni(katalog + "/" + PlikUzytkownika);
  chronUzytkownika = uzytkownikaIni.DajStan() == PlikIni::Nieczytelny;
  CzytajUzytkownika(uzytkownikaIni.DajStan() == PlikIni::Brak ? serweryIni : uzytkownikaIni);
  if (poZmianie) poZmianie();

  if (startNazwa.empty() || player == nullptr) return;
  TraceMarkDepth();
  try {
    player->ZmienStacje(startNazwa, startCzas);
  } catch (const std::exception& e) {
    Log(1, "nie można wznowić \"" + startNazwa + "\": " + e.what(), KG_WHERE);
  }
  TraceReturnToMark();
}

void ListaStacji::CzytajUzytkownika(const PlikIni& plik) {
  for (int i = 0; i < IleUlubionych; ++i) {
    const String cel = plik.Czytaj("Ulubione", "Ulubiona" + std::to_string(i));
    if (cel.empty()) continue;
    Ulubiona& u = ulubione[static_cast<size_t>(i)];
    u.podpowiedz = cel;
    u.podpis = CzytajCel(cel).cel.stacja;
  }

  for (int k = 0; k < MaksZakladek; ++k) {
    const String n = std::to_string(k);
    Zakladka z;
    z.opis = plik.Czytaj("Zakladki", "Opis" + n);
    if (z.opis.empty()) break;
    z.stacja = plik.Czytaj("Zakladki", "Stacja" + n);
    const String czas = plik.Czytaj("Zakladki", "Czas" + n);
    if (!CzytajCzas(czas, z.czas)) {
      Log(1, "zakładka " + n + " \"" + z.opis + "\" pominięta: zły czas \"" + czas + "\"", KG_WHERE);
      continue;
    }
    zakladki.push_back(std::move(z));
  }

  const String nazwa = plik.Czytaj("StartPos", "Name");
  const String czas = plik.Czytaj("StartPos", "Time");
  if (!nazwa.empty() && !czas.empty()) {
    Czas t;
    if (CzytajCzas(czas, t)) {
      startNazwa = nazwa;
      startCzas = t;
    } else {
      Log(1, "pozycja startowa \"" + nazwa + "\" pominięta: zły czas \"" + czas + "\"", KG_WHERE);
    }
  }
  pokazTylko = plik.Czytaj("Opcje", "PokazTylko");
  // The volume in percent; a file without it (or with a value that is no percentage)
  // plays at full volume.
  const String g = plik.Czytaj("Opcje", "Glosnosc");
  glosnosc = 100;
  if (!g.empty() && g.size() <= 3 && g.find_first_not_of("0123456789") == String::npos) {
    glosnosc = std::min(100, std::stoi(g));
  }
  // The speed in percent: a quarter step from 50 to 300; anything else plays at 100.
  const String v = plik.Czytaj("Opcje", "Predkosc");
  predkosc = 100;
  if (!v.empty() && v.size() <= 3 && v.find_first_not_of("0123456789") == String::npos) {
    const int p = std::stoi(v);
    if (p >= 50 && p <= 300 && p % 25 == 0) predkosc = p;
  }
}

void ListaStacji::ZapiszListeSerwerow() {
  KG_TRACE("ListaStacji::ZapiszListeSerwerow()");
  std::error_code blad;
  std::filesystem::create_directories(katalog, blad);
  if (blad) KG_ERROR("nie można utworzyć katalogu \"" + katalog + "\": " + blad.message());

  if (chronSerwery) {
    Log(2, String("\"") + PlikSerwerow + "\" nie został odczytany, więc nie jest zapisywany", KG_WHERE);
  } else {
    ZapisUstawien f(katalog + "/" + PlikSerwerow);
    f.Writeln("[Serwery]");
    for (size_t n = 0; n < serwery.size(); ++n) f.WriteIniValue("Serwer" + std::to_string(n), serwery[n]->Adres());
    f.Zatwierdz();
  }

  if (chronUzytkownika) {
    Log(2, String("\"") + PlikUzytkownika + "\" nie został odczytany, więc nie jest zapisywany", KG_WHERE);
    return;
  }
  ZapisUstawien f(katalog + "/" + PlikUzytkownika);
  f.Writeln("[Ulubione]");
  for (size_t i = 0; i < ulubione.size(); ++i) {
    if (!ulubione[i].podpowiedz.empty()) f.WriteIniValue("Ulubiona" + std::to_string(i), ulubione[i].podpowiedz);
  }
  if (!startNazwa.empty()) {
    f.Writeln("");
    f.Writeln("[StartPos]");
    f.WriteIniValue("Name", startNazwa);
    f.WriteIniValue("Time", startCzas.NapisHex());
  }
  if (!zakladki.empty()) {
    f.Writeln("");
    f.Writeln("[Zakladki]");
    for (size_t k = 0; k < zakladki.size(); ++k) {
      const String n = std::to_string(k);
      f.WriteIniValue("Opis" + n, zakladki[k].opis);
      f.WriteIniValue("Stacja" + n, zakladki[k].stacja);
      f.WriteIniValue("Czas" + n, zakladki[k].czas.NapisHex());
    }
  }
  f.Writeln("");
  f.Writeln("[Opcje]");
  f.WriteIniValue("PokazTylko", pokazTylko);
  f.WriteIniValue("Glosnosc", std::to_string(glosnosc));
  if (predkosc != 100) f.WriteIniValue("Predkosc", std::to_string(predkosc));
  f.Zatwierdz();
}

void ListaStacji::UstawSerwery(const std::vector<String>& adresy) {
  KG_TRACE("ListaStacji::UstawSerwery(const std::vector<String>& adresy)");
  std::vector<ServerAddress> nowe;
  for (const String& a : adresy) nowe.push_back(ParseServerAddress(a));
  // The queries in flight belong to the old order: closed without a word to the handlers.
  for (auto& k : konekty) {
    if (k && k->gniazdo) {
      k->gniazdo->disconnect();
      k->gniazdo->abort();
    }
  }
  konekty.clear();
  std::vector<std::unique_ptr<Serwer>> zostaja;
  for (const ServerAddress& a : nowe) {
    auto byl = std::find_if(serwery.begin(), serwery.end(), [&](const std::unique_ptr<Serwer>& s) {
      return s && s->adres == a.host && s->port == a.port;
    });
    if (byl != serwery.end()) {
      zostaja.push_back(std::move(*byl));
    } else {
      auto s = std::make_unique<Serwer>();
      s->adres = a.host;
      s->port = a.port;
      zostaja.push_back(std::move(s));
    }
  }
  stacje.erase(std::remove_if(stacje.begin(), stacje.end(),
                              [&](const Stacja& st) {
                                return std::none_of(zostaja.begin(), zostaja.end(),
                                                    [&](const std::unique_ptr<Serwer>& s) { return s.get() == st.serwer; });
                              }),
               stacje.end());
  serwery = std::move(zostaja);
  odczytane = true;
  ZapiszListeSerwerow();
  WyswietlListeStacji();
  PobierzListeStacji();
}

void ListaStacji::DodajSerwer(String adres, int port) {
  KG_TRACE("ListaStacji::DodajSerwer(String adres,int port)");
  auto s = std::make_unique<Serwer>();
  s->adres = std::move(adres);
  s->port = port;
  serwery.push_back(std::move(s));
}

bool ListaStacji::Aktywny(int i) const {
  return i >= 0 && static_cast<size_t>(i) < konekty.size() && konekty[static_cast<size_t>(i)] &&
         konekty[static_cast<size_t>(i)]->aktywny;
}

void ListaStacji::PobierzListeStacji() {
  KG_TRACE("ListaStacji::PobierzListeStacji()");
  if (konekty.size() < serwery.size()) konekty.resize(serwery.size());
  for (size_t i = 0; i < serwery.size(); ++i) {
    std::unique_ptr<Konekt>& k = konekty[i];
    const int indeks = static_cast<int>(i);
    if (!k) {
      k = std::make_unique<Konekt>();
      k->gniazdo = std::make_unique<QTcpSocket>();
      QTcpSocket* s = k->gniazdo.get();
      QObject::connect(s, &QTcpSocket::connected, s, [this, indeks] { ClientSocketConnect(indeks); });
      QObject::connect(s, &QTcpSocket::readyRead, s, [this, indeks] { ClientSocketRead(indeks); });
      QObject::connect(s, &QAbstractSocket::errorOccurred, s,
                       [this, indeks](QAbstractSocket::SocketError e) { ClientSocketError(indeks, static_cast<int>(e)); });
    }
    if (k->aktywny || k->gniazdo->state() != QAbstractSocket::UnconnectedState) k->gniazdo->abort();
    // A part of an answer to the query closed just now must not spoil the next one.
    k->odbior.Reset();
    // The answer is one text packet, queued by the server under the same bound as a
    // player's packets.
    k->odbior.UstawMaksPaczki(EsencjaPlayera::kMaksPaczka);
    k->aktywny = true;
    const Serwer& s = *serwery[i];
    // A numeric address is used as it is; a name is looked up, without blocking.
    k->gniazdo->connectToHost(QString::fromStdString(s.adres), static_cast<quint16>(s.port));
  }
}

void ListaStacji::ClientSocketConnect(int i) {
  KG_TRACE("ListaStacji::ClientSocketConnect(int i)");
  Konekt& k = *konekty[static_cast<size_t>(i)];
  // A failed send shows as an error of the socket, which ends the query.
  const String zapytanie = String(protokol::kListaBaz) + "\n";
  k.gniazdo->write(zapytanie.data(), static_cast<qint64>(zapytanie.size()));
}

void ListaStacji::ClientSocketRead(int i) {
  KG_TRACE("ListaStacji::ClientSocketRead(int i)");
  Konekt& k = *konekty[static_cast<size_t>(i)];
  if (!k.aktywny) return;
  Serwer* serwer = serwery[static_cast<size_t>(i)].get();
  std::vector<String> nazwy;
  // A malformed answer fails the query as a lost connection does; nothing escapes into the
  // event loop.
  TraceMarkDepth();
  try {
    CzytnikGniazdaQt czytnik(*k.gniazdo);
    if (!k.odbior.Wczytaj(czytnik)) {
      TraceReturnToMark();
      return;
    }
    nazwy = Linie(k.odbior.DajString());
  } catch (const std::exception& e) {
    TraceReturnToMark();
    Nieudane(i, e.what());
    return;
  }
  TraceReturnToMark();
  serwer->dostepny = true;
  for (const String& n : nazwy) DodajStacje(n, serwer);
  k.aktywny = false;
  k.gniazdo->abort();
  WyswietlListeStacji();
}

void ListaStacji::ClientSocketError(int i, int blad) {
  KG_TRACE("ListaStacji::ClientSocketError(int i,int blad)");
  Konekt& k = *konekty[static_cast<size_t>(i)];
  if (!k.aktywny) return;
  // A server may send its answer and close at once: what arrived is read first.
  if (blad == QAbstractSocket::RemoteHostClosedError) {
    ClientSocketRead(i);
    if (!k.aktywny) return;
  }
  Nieudane(i, k.gniazdo->errorString().toStdString());
}

void ListaStacji::Nieudane(int i, const String& powod) {
  Konekt& k = *konekty[static_cast<size_t>(i)];
  Serwer* serwer = serwery[static_cast<size_t>(i)].get();
  Log(0, serwer->Adres() + ": " + powod, KG_WHERE);
  for (size_t j = 0; j < stacje.size();) {
    if (stacje[j].serwer == serwer) {
      stacje[j] = stacje.back();
      stacje.pop_back();
    } else {
      ++j;
    }
  }
  serwer->dostepny = false;
  k.aktywny = false;
  k.gniazdo->abort();
  WyswietlListeStacji();
}

void ListaStacji::DodajStacje(String nazwa, Serwer* serwer) {
  KG_TRACE("ListaStacji::DodajStacje(String nazwa,Serwer * serwer)");
  for (const Stacja& s : stacje) {
    if (s.nazwa == nazwa && s.serwer == serwer) {
      serwer->dostepny = true;
      return;
    }
  }
  stacje.push_back(Stacja{std::move(nazwa), serwer});
}

void ListaStacji::WyswietlListeStacji() {
  KG_TRACE("ListaStacji::WyswietlListeStacji()");
  for (Ulubiona& u : ulubione) {
    if (u.podpowiedz.empty()) continue;
    const bool jest = std::any_of(stacje.begin(), stacje.end(), [&](const Stacja& s) { return s.Cel() == u.podpowiedz; });
    u.lampka = jest ? Ulubiona::Zielona : Ulubiona::Czerwona;
  }
  if (poZmianie) poZmianie();
}

void ListaStacji::DodajZakladke(Czas czas, String opis, String stacja) {
  KG_TRACE("ListaStacji::DodajZakladke(Czas czas,String opis,String stacja)");
  zakladki.push_back(Zakladka{std::move(opis), std::move(stacja), czas});
}

void ListaStacji::ZagrajZakladke(int a) {
  KG_TRACE("ListaStacji::ZagrajZakladke(int a)");
  SprawdzIndeks(a, zakladki.size());
  const Zakladka z = zakladki[static_cast<size_t>(a)];
  if (player != nullptr) player->ZmienStacje(z.stacja, z.czas);
}

void ListaStacji::UsunZakladke(int a) {
  KG_TRACE("ListaStacji::UsunZakladke(int a)");
  SprawdzIndeks(a, zakladki.size());
  zakladki.erase(zakladki.begin() + a);
}

void ListaStacji::Sortuj() {
  // Byte order of the names as the servers send them, in Windows-1250.
  std::vector<std::pair<String, Stacja>> klucze;
  klucze.reserve(stacje.size());
  for (Stacja& s : stacje) klucze.emplace_back(ToCp1250(s.nazwa), std::move(s));
  std::stable_sort(klucze.begin(), klucze.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < stacje.size(); ++i) stacje[i] = std::move(klucze[i].second);
}

bool ListaStacji::Pokazana(const Stacja& s) const { return pokazTylko.empty() || pokazTylko == s.nazwa; }

std::vector<PozycjaMenu> ListaStacji::UstawMenuUlubionych(int przycisk) {
  KG_TRACE("ListaStacji::UstawMenuUlubionych(int przycisk)");
  Sortuj();
  std::vector<PozycjaMenu> menu;
  for (const Stacja& s : stacje) {
    if (!Pokazana(s)) continue;
    PozycjaMenu p;
    p.podpis = s.Cel();
    p.tag = przycisk;
    p.akcja = [this, przycisk, cel = p.podpis] { ContextClick(przycisk, cel); };
    menu.push_back(std::move(p));
  }
  return menu;
}

void ListaStacji::ContextClick(int przycisk, const String& cel) {
  KG_TRACE("ListaStacji::ContextClick(int przycisk,const String &cel)");
  if (przycisk < 0 || przycisk >= static_cast<int>(ulubione.size())) KG_ASSERTION("przycisk<0||przycisk>=IleUlubionych");
  Ulubiona& u = ulubione[static_cast<size_t>(przycisk)];
  u.podpis = CzytajCel(cel).cel.stacja;
  u.podpowiedz = cel;
  // The lamps first, so that the window shows the new assignment even when saving fails.
  WyswietlListeStacji();
  ZapiszListeSerwerow();
}

std::vector<PozycjaMenu> ListaStacji::UstawMenuStacji() {
  KG_TRACE("ListaStacji::UstawMenuStacji()");
  Sortuj();
  std::vector<PozycjaMenu> menu;
  for (const Stacja& s : stacje) {
    if (!Pokazana(s)) continue;
    PozycjaMenu p;
    p.podpis = s.nazwa;
    p.podpowiedz = s.Cel();
    p.akcja = [this, cel = p.podpowiedz] {
      if (player != nullptr) player->ZmienStacje(cel);
    };
    menu.push_back(std::move(p));
  }
  return menu;
}

std::vector<PozycjaMenu> ListaStacji::UstawMenuZakladek() {
  KG_TRACE("ListaStacji::UstawMenuZakladek()");
  std::vector<PozycjaMenu> menu;
  for (size_t a = 0; a < zakladki.size(); ++a) {
    PozycjaMenu p;
    p.podpis = zakladki[a].opis;
    p.tag = static_cast<int>(a);
    p.akcja = [this, a = p.tag] { ZagrajZakladke(a); };
    menu.push_back(std::move(p));
  }
  return menu;
}

std::vector<PozycjaMenu> ListaStacji::UstawMenuUsuwania() {
  KG_TRACE("ListaStacji::UstawMenuUsuwania()");
  std::vector<PozycjaMenu> menu;
  for (size_t a = 0; a < zakladki.size(); ++a) {
    PozycjaMenu p;
    p.podpis = zakladki[a].opis;
    p.tag = static_cast<int>(a);
    p.pytanie = "Czy chcesz skasować zakładkę \"" + zakladki[a].opis + "\"?";
    p.tytulPytania = "Zakładki";
    p.akcja = [this, a = p.tag] { UsunZakladke(a); };
    menu.push_back(std::move(p));
  }
  return menu;
}
