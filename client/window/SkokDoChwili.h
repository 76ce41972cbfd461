#pragma once
// Going to a typed moment, and copying the link of the moment heard.
//
// Window (GUI) thread only.
class LiniaStatusu;
class SterowaniePlayera;
class WidokZapytan;

class SkokDoChwili {
 public:
  // The parts are not owned and must outlive this.
  SkokDoChwili(WidokZapytan& w, SterowaniePlayera& p, LiniaStatusu& status);

  // Ctrl+G and the button beside the digit panels: the prompt "Przejdź do", filled with the
  // moment being played in local time ("2026-12-10 08:30:00"). A confirmed text that
  // CzytajWpisanyCzas reads (in the machine's zone) moves the position there, as the keypad
  // does; the text as offered, unedited, is the second it shows (not the other occurrence of
  // a repeated hour). A text it cannot read moves nothing and the status line says why;
  // cancelling does nothing.
  void PrzejdzDo();
  // Ctrl+Shift+C: the link (NapiszLink) of the moment being heard on the station and server
  // being played goes to the clipboard and the status line says so; with no station being
  // played nothing is copied and the status line says that.
  void KopiujLink();

 private:
  WidokZapytan& widok;
  SterowaniePlayera& player;
  LiniaStatusu& status;
};
