#pragma once
// Bookmarks of the moment being heard on the station being played, added to the station
// list's bookmarks: with the default description ("station, time") or with one the user
// edits first in the prompt.
//
// Window (GUI) thread only.
#include "core/String.h"

class ListaStacji;
class SterowaniePlayera;
class WidokZapytan;

class DodawanieZakladek {
 public:
  // The parts are not owned and must outlive this.
  DodawanieZakladek(WidokZapytan& w, SterowaniePlayera& p, ListaStacji& l);

  void Dodaj();
  // Nothing is added when the prompt is cancelled.
  void DodajZOpisem();
  // The default description: "station, time" of the resume position.
  String Opis();

 private:
  WidokZapytan& widok;
  SterowaniePlayera& player;
  ListaStacji& lista;
};
