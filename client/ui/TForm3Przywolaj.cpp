// A later start of the program hands its link to this window.
#include "core/CallTrace.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "textforms/LinkDoChwili.h"
#include "transport/ServerAddress.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"
#include "window/StosPlayera.h"

void TForm3::Przywolaj(const String& link) {
  KG_TRACE("TForm3::Przywolaj(const String& link)");
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
  if (link.empty()) return;
  LinkDoChwili l;
  try {
    l = ParsujLink(link);
  } catch (const std::exception& e) {
    // Another program's text: said, and nothing else changes.
    logika->Status().BardzoLadnyPrint(e.what());
    return;
  }
  Bezpiecznie([&] {
    const ServerAddress a = ParseServerAddress(l.serwer);
    bool jest = false;
    for (int i = 0; i < listaStacji->IleSerwerow(); ++i) {
      const klient::Serwer& z = listaStacji->DajSerwer(i);
      jest = jest || (z.adres == a.host && z.port == a.port);
    }
    if (!jest) {
      listaStacji->DodajSerwer(a.host, a.port);
      listaStacji->PobierzListeStacji();
    }
    stos->Esencja().ZmienStacje(l.Cel(), l.chwila);
    stos->Esencja().Graj();
  });
}
