#include "window/SkokDoChwili.h"

#include "core/CallTrace.h"
#include "core/TimeZone.h"
#include "textforms/LinkDoChwili.h"
#include "transport/ServerAddress.h"
#include "window/LiniaStatusu.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokZapytan.h"
#include "window/WpisanyCzas.h"

SkokDoChwili::SkokDoChwili(WidokZapytan& w, SterowaniePlayera& p, LiniaStatusu& s)
    : widok(w), player(p), status(s) {}

void SkokDoChwili::PrzejdzDo() {
  KG_TRACE("SkokDoChwili::PrzejdzDo()");
  const TimeZone& strefa = TimeZone::Biezaca();
  const Czas grany = player.CzasGry();
  // Before any time is set there is nothing to offer (and no local time of it).
  const String podany = grany.Wartosc() > 0 ? NapisDoWpisania(grany, strefa) : String();
  String tekst = podany;
  // A text that names no moment is refused inside the prompt, to be corrected there.
  const auto sprawdz = [&](const String& t) {
    if (!podany.empty() && t == podany) return String();
    const WpisanyCzas w = CzytajWpisanyCzas(t, grany, strefa);
    return w ? String() : w.blad;
  };
  if (!widok.Zapytaj(tekst, "Przejdź do", sprawdz)) return;
  // Unedited, the text means the second it was made from, even in the hour that the
  // clocks show twice, where reading it would give the first of the two.
  if (!podany.empty() && tekst == podany) {
    player.UstawPozycje(grany.Zaokraglij(Roznica::Sekunda));
    return;
  }
  const WpisanyCzas w = CzytajWpisanyCzas(tekst, grany, strefa);
  if (!w) {
    status.LadnyPrint(w.blad);
    return;
  }
  player.UstawPozycje(w.chwila);
}

void SkokDoChwili::KopiujLink() {
  KG_TRACE("SkokDoChwili::KopiujLink()");
  LinkDoChwili l;
  l.stacja = player.DajStacje();
  l.chwila = player.CzasGry();
  const AddressReading a = ReadServerAddress(player.Adres());
  if (l.stacja.empty() || l.chwila.Wartosc() <= 0 || a.fault != AddressFault::None) {
    status.LadnyPrint("Nie ma czego skopiować: nic nie gra");
    return;
  }
  l.serwer = a.address.Text();
  widok.DoSchowka(NapiszLink(l));
  status.LadnyPrint("Skopiowano link do chwili " + NapisDoWpisania(l.chwila, TimeZone::Biezaca()));
}
