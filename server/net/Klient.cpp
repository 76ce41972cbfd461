#include "net/Klient.h"

#include <algorithm>
#include <cstring>

#include "common/AudioFormat.h"
#include "common/PaczkaAudio.h"
#include "common/Update.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/Parser.h"
#include "net/Metryki.h"
#include "transport/Protokol.h"

namespace serwer {

namespace {

// The latest moment a client may name: far beyond any recording, and far enough from the
// end of the time scale that positions plus durations never overflow.
constexpr Czas kNajpozniej(4'000'000'000'000'000'000);

bool WZakresie(Czas t) { return t.Wartosc() >= 0 && t <= kNajpozniej; }

std::string NaBajty(Paczka2& p) {
  Core c;
  p.WriteTo(c);
  return std::string(c.Data() ? c.Data() : "", static_cast<size_t>(c.Size()));
}

}  // namespace

Klient::Klient(std::vector<std::unique_ptr<Stacja>>& s, const Ustawienia& ust, Czas teraz)
    : stacje(s), u(ust), polaczony(teraz) {
  nastepnyPing = teraz + u.pingCo;
}

Klient::~Klient() {
  if (!u.metryki) return;
  if (eksport) u.metryki->EksportSkonczony(false);
  if (rodzaj == Rodzaj::Player) {
    u.metryki->GraczNaStacji(stacja, nullptr);
    u.metryki->Gracz(-1);
  }
}

void Klient::UstawStacje(Stacja* s) {
  if (u.metryki) u.metryki->GraczNaStacji(stacja, s);
  stacja = s;
}

void Klient::Zerwij(const String& dlaczego) {
  if (!zamknij) powod = dlaczego;
  zamknij = true;
}

void Klient::Wyslano(size_t n) {
  KG_TRACE("serwer::Klient::Wyslano(size_t n)");
  wyslane += n;
  bajtyRazem -= n;
  Kawalek& k = kolejka.front();
  if (k.audio || k.eksport) {
    bajtyAudio -= n;
    if (u.metryki) u.metryki->WyslanoAudio(n);
  }
  if (k.eksport) bajtyEksportu -= n;
  if (wyslane == k.bajty.size()) {
    kolejka.pop_front();
    wyslane = 0;
  }
}

void Klient::Kolejkuj(Paczka2& p, bool audio, bool eks) {
  Kawalek k;
  k.bajty = NaBajty(p);
  k.audio = audio;
  k.eksport = eks;
  bajtyRazem += k.bajty.size();
  if (audio || eks) bajtyAudio += k.bajty.size();
  if (eks) bajtyEksportu += k.bajty.size();
  kolejka.push_back(std::move(k));
  if (bajtyRazem > u.limitWyjscia) Zerwij("klient nie odbiera danych");
}

void Klient::Tekst(const String& s) {
  Paczka2 p(s);
  Kolejkuj(p);
}

void Klient::PorzucAudio(bool eks) {
  // The front piece may be partly sent: it goes out whole so that the stream stays framed.
  for (auto it = kolejka.begin(); it != kolejka.end();) {
    const bool cel = eks ? it->eksport : it->audio;
    if (cel && !(it == kolejka.begin() && wyslane > 0)) {
      bajtyRazem -= it->bajty.size();
      bajtyAudio -= it->bajty.size();
      if (it->eksport) bajtyEksportu -= it->bajty.size();
      it = kolejka.erase(it);
    } else {
      ++it;
    }
  }
}

void Klient::Odbierz(const char* b, size_t n, Czas teraz) {
  KG_TRACE("serwer::Klient::Odbierz(const char* b, size_t n, Czas teraz)");
  if (zamknij || poWyslaniu) return;
  size_t i = 0;
  if (rodzaj == Rodzaj::Powitanie) {
    while (i < n && rodzaj == Rodzaj::Powitanie && !zamknij) {
      const char c = b[i++];
      if (c == '\n') {
        Powitanie(teraz);
      } else {
        linia += c;
        if (linia.size() > protokol::kMaksPierwszaLinia) Zerwij("błędne powitanie");
      }
    }
    if (rodzaj != Rodzaj::Player) return;
  }
  if (rodzaj != Rodzaj::Player) {
    // A station query says nothing more; whatever it sends is ignored.
    return;
  }
  TraceDepthScope glebokosc;  // a failure caught here leaves no call chain behind
  try {
    odbior->Write(b + i, static_cast<int>(n - i));
    while (!zamknij && odbior->Skonczyl()) {
      Pakiet(teraz);
      odbior->Write(nullptr, 0);
    }
    // What a connection may hold is what it can rightly send: once the name of the packet
    // is known, only an export request may be large.
    const bool eksportu = odbior->Faza() >= 3 && odbior->Nazwa == protokol::kPrzedzialy;
    // Bytes not yet parsed, and a payload already taken out while its description comes.
    const int buforowane = odbior->Buforowane() + (odbior->Faza() >= 4 ? odbior->core.Size() : 0);
    if (buforowane > (eksportu ? u.limitEksportu : u.limitPakietu)) Zerwij("za duży pakiet");
    trzymane = std::max(trzymane, static_cast<size_t>(buforowane));
    if (buforowane == 0 && odbior->Faza() == 0 && trzymane > static_cast<size_t>(u.limitPakietu)) {
      // The buffer and the payload keep their storage: after a large packet they are given
      // back, so that an idle connection holds no more than a command needs.
      odbior = std::make_unique<Paczka2>();
      trzymane = 0;
    }
  } catch (const std::exception& e) {
    Zerwij(String("błędny pakiet: ") + e.what());
  }
}

void Klient::Powitanie(Czas teraz) {
  if (linia == protokol::kPlayer) {
    rodzaj = Rodzaj::Player;
    nastepnyPing = teraz + u.pingCo;
    if (u.metryki) u.metryki->Gracz(1);
  } else if (linia == protokol::kListaBaz) {
    rodzaj = Rodzaj::Zapytanie;
    String lista;
    for (const auto& s : stacje) {
      if (!lista.empty()) lista += "\n";
      lista += s->Nazwa();
    }
    Tekst(lista);
    poWyslaniu = true;
  } else {
    Zerwij("nieznane powitanie");
  }
}

void Klient::Pakiet(Czas teraz) {
  if (odbior->Nazwa == protokol::kString) {
    if (!odbior->Opis.empty()) {
      Tekst(String(protokol::kError) + " nieznany opis " + odbior->Opis);
      return;
    }
    Komenda(odbior->DajString(), teraz);
  } else if (odbior->Nazwa == protokol::kPrzedzialy && odbior->Opis == protokol::kOpisEksport) {
    Przedzialy p;
    TraceDepthScope glebokosc;  // a failure caught here leaves no call chain behind
    try {
      odbior->Wyjmij(p);
    } catch (const std::exception& e) {
      Tekst(String(protokol::kError) + " błędna paczka eksportu: " + WithoutLocation(e.what()));
      return;
    }
    if (eksport) ZakonczEksport();
    if (!stacja) {
      Tekst(String(protokol::kError) + " eksport bez stacji");
      Tekst(protokol::kKoniecEksportu);
      return;
    }
    Eksport e;
    e.stacja = stacja;
    // Moments outside the time scale's sane range are cut to it.
    for (Przedzial q : p.Wszystkie()) {
      q.begin = std::clamp(q.begin, Czas(0), kNajpozniej);
      q.end = std::clamp(q.end, Czas(0), kNajpozniej);
      if (q.begin <= q.end) e.przedzialy.push_back(q);
    }
    e.czytnik = std::make_unique<ArchiveReader>(stacja->Archiwum());
    eksport = std::move(e);
    if (u.metryki) u.metryki->EksportZaczety();
    Log(0, "eksport " + stacja->Nazwa() + ": " + std::to_string(eksport->przedzialy.size()) + " przedziałów",
        KG_WHERE);
  } else {
    Tekst(String(protokol::kError) + " nieznana paczka " + odbior->Nazwa + " z opisem " + odbior->Opis);
  }
}

void Klient::Komenda(const String& tekst, Czas teraz) {
  Parser p(tekst);
  const String slowo = p.Getword();
  const String reszta = p.GetRest();
  if (slowo == protokol::kZmienStacje) {
    ZmienStacje(reszta, teraz);
  } else if (slowo == protokol::kPlay) {
    if (!gra) {
      kotwicaTeraz = teraz;
      graOd = teraz;
      gra = true;
      prosbaOd = teraz;
    }
    zapas = u.zapasPoczatkowy;
  } else if (slowo == protokol::kStop) {
    kotwica = PozycjaGry(teraz);
    granePrzed = Grane(teraz);
    gra = false;
    prosbaOd.reset();
  } else if (slowo == protokol::kSetpos) {
    Czas t;
    ++numer;
    if (reszta.size() != 16 || !Czas::CzytajHex(reszta, t) || !WZakresie(t)) {
      Tekst(String(protokol::kError) + " " + protokol::kBladZlyCzas + " " + reszta);
      return;
    }
    if (u.metryki) u.metryki->Przewinieto();
    Przewin(t, teraz);
  } else if (slowo == protokol::kGrajIwenty) {
    ++numer;
    UstawFiltr(reszta);
    Przewin(PozycjaGry(teraz), teraz);
  } else if (slowo == protokol::kGrajWszystko) {
    rodzina.reset();
    filtr.clear();
    wFiltrze = false;
  } else if (slowo == protokol::kWyslijSztukeAudia) {
    zapas = std::min(zapas + u.zapasNaProsbe, u.zapasMaks);
  } else if (slowo == protokol::kPong) {
    pingWyslany.reset();
  } else if (slowo == protokol::kWyslijBaze) {
    if (stacja) WyslijWydarzenia(protokol::kOpisInitIwentow);
  } else if (slowo == protokol::kPrzerwijEksport) {
    if (eksport) {
      PorzucAudio(true);
      Log(0, "eksport przerwany", KG_WHERE);
    }
    // Answered also when no export runs: a client whose connection was lost mid-export
    // is still waiting for the end, and asks for it on its new connection.
    ZakonczEksport();
  } else {
    Tekst(String(protokol::kError) + " nieznana komenda " + tekst);
  }
}

void Klient::ZmienStacje(const String& reszta, Czas teraz) {
  // On a connection that is up the client counts each station change as a new request.
  if (++zmianStacji > 1) ++numer;
  Parser p(reszta);
  const String czas = p.Getword();
  const String nazwa = p.GetRest();
  Czas t;
  if (czas.size() != 16 || !Czas::CzytajHex(czas, t) || !WZakresie(t)) {
    Tekst(String(protokol::kError) + " " + protokol::kBladZlyCzas + " " + czas);
    return;
  }
  Stacja* nowa = nullptr;
  for (auto& s : stacje) {
    if (s->Nazwa() == nazwa) nowa = s.get();
  }
  if (!nowa) {
    UstawStacje(nullptr);
    czytnik.reset();
    PorzucAudio(false);
    Tekst(String(protokol::kError) + " " + protokol::kBladNieznanaStacja + " " + nazwa);
    return;
  }
  UstawStacje(nowa);
  czytnik = std::make_unique<ArchiveReader>(stacja->Archiwum());
  rodzina.reset();
  filtr.clear();
  wFiltrze = false;
  Ogloszenie();
  Przewin(t, teraz);
}

void Klient::Ogloszenie() {
  Tekst(String(protokol::kTerazGramy) + " " + stacja->Nazwa());
  PrzedzialyAudio a(stacja->Audio());
  Paczka2 p(a, "");
  Kolejkuj(p);
  WyslijWydarzenia(protokol::kOpisInitIwentow);
  Stan();
}

void Klient::Stan() {
  // Before the first look at the archive nothing is known: the client hears once it is.
  if (!stacja->Sprawdzona()) return;
  if (!stacja->Dostepna()) {
    Tekst(String(protokol::kBusy) + " " + stacja->Nazwa());
  } else if (stacja->Audio().Wszystkie().empty()) {
    Tekst(String(protokol::kEmpty) + " " + stacja->Nazwa());
  }
}

void Klient::WyslijWydarzenia(const char* opis) {
  Update<BazaZintegrowana> z;
  z.plus = stacja->Wydarzenia();
  Paczka2 p(z, opis);
  Kolejkuj(p);
}

void Klient::UstawFiltr(const String& nazwa) {
  rodzina = nazwa;
  filtr.clear();
  wFiltrze = false;
  if (!stacja) return;
  PrzedzialyID* r = stacja->Wydarzenia().iwenty.Znajdz(nazwa);
  if (!r) {
    Tekst(String(protokol::kError) + " nieznana rodzina " + nazwa);
    return;
  }
  filtr = r->Wszystkie();
}

void Klient::Przewin(Czas t, Czas teraz) {
  kotwica = t;
  kotwicaTeraz = teraz;
  wyslanoOdPrzewiniecia = Roznica(0);
  granePrzed = Roznica(0);
  graOd = teraz;
  PorzucAudio(false);
  wFiltrze = false;
  czekaNaDane = false;
  if (czytnik) czytnik->Seek(t);
  zapas = u.zapasPoczatkowy;
  pierwszyPoPrzewinieciu = true;
  prosbaOd = teraz;
}

Roznica Klient::Grane(Czas teraz) const { return gra ? granePrzed + (teraz - graOd) : granePrzed; }

Czas Klient::PozycjaGry(Czas teraz) const {
  return gra ? kotwica + (teraz - kotwicaTeraz) : kotwica;
}

int Klient::Bajty(Stacja& s, Roznica d) {
  // A station whose first file is still being written has no format yet.
  const String tekst = s.Archiwum().Format();
  if (tekst.empty()) return 16 * 1024;
  const AudioFormat f(tekst);
  const int64_t b = f.IsValid() ? f.GetBytes(d) : 16 * 1024;
  return static_cast<int>(std::clamp<int64_t>(b, 1, 1 << 20));
}

void Klient::Pompuj(Czas teraz) {
  KG_TRACE("serwer::Klient::Pompuj(Czas teraz)");
  if (zamknij || rodzaj != Rodzaj::Player) return;
  // The archive may fail under one of this client's requests; the other goes on, and so
  // do the other clients.
  while (!zamknij && bajtyAudio < u.limitAudio) {
    TraceDepthScope glebokosc;  // a failure caught here leaves no call chain behind
    try {
      if (PompujGranie(teraz)) continue;
    } catch (const std::exception& e) {
      Log(2, String("odczyt archiwum: ") + e.what(), KG_WHERE);
      Tekst(String(protokol::kError) + " " + WithoutLocation(e.what()));
      // Tried again when the station's audio changes, or at a seek.
      czekaNaDane = true;
      prosbaOd.reset();
      continue;
    }
    try {
      if (PompujEksport()) continue;
    } catch (const std::exception& e) {
      // An export that lacks a part is no success: the client is told before the end.
      Log(2, String("eksport: ") + e.what(), KG_WHERE);
      Tekst(String(protokol::kError) + " eksport: " + WithoutLocation(e.what()));
      ZakonczEksport();
      continue;
    }
    break;
  }
}

bool Klient::PompujGranie(Czas teraz) {
  if (!gra || !czytnik || czekaNaDane) return false;
  if (zapas <= Roznica(0) && wyslanoOdPrzewiniecia >= Grane(teraz) + u.wyprzedzenie) return false;
  Roznica dlugosc = pierwszyPoPrzewinieciu ? u.pierwszyPakiet : u.pakiet;
  if (rodzina) {
    const Czas poz = czytnik->Pozycja();
    if (wFiltrze && poz >= koniecFiltra) wFiltrze = false;
    if (!wFiltrze) {
      auto it = std::find_if(filtr.begin(), filtr.end(), [&](const Przedzial& p) { return p.end > poz; });
      if (it == filtr.end()) {  // the family has nothing more
        prosbaOd.reset();
        return false;
      }
      if (it->begin > poz) czytnik->Seek(it->begin);
      koniecFiltra = it->end;
      wFiltrze = true;
    }
    dlugosc = std::min(dlugosc, koniecFiltra - czytnik->Pozycja());
  }
  ArchiveReader::Blok b;
  if (!czytnik->Czytaj(Bajty(*stacja, dlugosc), b)) {
    // Nothing there (yet): the request is answered when audio comes, not late.
    czekaNaDane = true;
    prosbaOd.reset();
    return false;
  }
  if (rodzina && b.czas >= koniecFiltra) {
    wFiltrze = false;
    return true;
  }
  PaczkaAudio a;
  a.numeraudia = numer;
  a.format = b.format;
  a.czas = b.czas;
  a.dane.SetSize(static_cast<int>(b.dane.size()));
  if (!b.dane.empty()) std::memcpy(a.dane.Data(), b.dane.data(), b.dane.size());
  Paczka2 p(a, "");
  Kolejkuj(p, true);
  if (prosbaOd) {
    if (u.metryki && teraz - *prosbaOd > u.spoznienie) u.metryki->Spoznione();
    prosbaOd.reset();
  }
  // Audio sent at the pace of playing is not taken from the grant: a grant is always
  // audio beyond what playing itself brings.
  zapas = std::max(Roznica(0), zapas - (b.koniec - b.czas));
  wyslanoOdPrzewiniecia = wyslanoOdPrzewiniecia + (b.koniec - b.czas);
  pierwszyPoPrzewinieciu = false;
  return true;
}

bool Klient::PompujEksport() {
  if (!eksport || bajtyEksportu >= u.limitEksportuWKolejce) return false;
  Eksport& e = *eksport;
  if (e.i >= e.przedzialy.size()) {
    ZakonczEksport(true);
    return false;
  }
  const Przedzial& p = e.przedzialy[e.i];
  if (!e.ustawiony) {
    e.czytnik->Seek(p.begin, false);
    e.ustawiony = true;
  }
  ArchiveReader::Blok b;
  const Roznica zostalo = p.end - e.czytnik->Pozycja();
  // Nothing left of the interval: not even one more frame at its end.
  const int najwiecej = static_cast<int>(std::max<size_t>(u.limitEksportuWKolejce / 2, 1));
  if (zostalo <= Roznica(0) ||
      !e.czytnik->Czytaj(std::min(Bajty(*e.stacja, std::min(zostalo, u.pakietEksportu)), najwiecej), b) ||
      b.czas > p.end) {
    ++e.i;
    e.ustawiony = false;
    return true;
  }
  PaczkaAudio a;
  a.numeraudia = numer;
  a.format = b.format;
  a.czas = b.czas;
  a.dane.SetSize(static_cast<int>(b.dane.size()));
  if (!b.dane.empty()) std::memcpy(a.dane.Data(), b.dane.data(), b.dane.size());
  Paczka2 pk(a, protokol::kOpisEksport);
  Kolejkuj(pk, false, true);
  return true;
}

void Klient::ZakonczEksport(bool caly) {
  if (eksport && u.metryki) u.metryki->EksportSkonczony(caly);
  eksport.reset();
  Tekst(protokol::kKoniecEksportu);
}

void Klient::ZmianaStacji(Stacja& s, const Stacja::Zmiany& z) {
  KG_TRACE("serwer::Klient::ZmianaStacji(Stacja& s, const Stacja::Zmiany& z)");
  if (&s != stacja || zamknij) return;
  if (z.audio) {
    if (!z.plus.Wszystkie().empty()) {
      PrzedzialyAudio a(z.plus);
      Paczka2 p(a, protokol::kOpisUpdatePlus);
      Kolejkuj(p);
    }
    if (!z.minus.Wszystkie().empty()) {
      PrzedzialyAudio a(z.minus);
      Paczka2 p(a, protokol::kOpisUpdateMinus);
      Kolejkuj(p);
    }
    czekaNaDane = false;
  }
  if (z.iwenty) {
    if (z.wydarzeniaCale) {
      WyslijWydarzenia(protokol::kOpisInitIwentow);
    } else {
      Update<BazaZintegrowana> zmiana = z.zmianaWydarzen;
      Paczka2 p(zmiana, protokol::kOpisUpdateIwentow);
      Kolejkuj(p);
    }
    if (rodzina) {
      const String r = *rodzina;
      PrzedzialyID* f = stacja->Wydarzenia().iwenty.Znajdz(r);
      filtr = f ? f->Wszystkie() : std::vector<Przedzial>();
      czekaNaDane = false;
    }
  }
  if (z.pierwsza) Stan();
}

void Klient::Zegar(Czas teraz) {
  KG_TRACE("serwer::Klient::Zegar(Czas teraz)");
  if (zamknij) return;
  if (rodzaj == Rodzaj::Powitanie) {
    if (teraz - polaczony > u.powitanieLimit) Zerwij("brak powitania");
    return;
  }
  if (rodzaj != Rodzaj::Player) return;
  if (pingWyslany && teraz - *pingWyslany > u.pingLimit) {
    Zerwij("brak odpowiedzi na ping");
    return;
  }
  if (teraz >= nastepnyPing) {
    Tekst(String(protokol::kPing) + " " + std::to_string(++licznikPing));
    if (!pingWyslany) pingWyslany = teraz;
    nastepnyPing = teraz + u.pingCo;
  }
}

}  // namespace serwer
