#pragma once
// What the connection's states change in the window: the playing buttons, the cover over
// the axis area and the reconnect timer. Window (GUI) thread only; every call returns
// without waiting for the network or the sound.
class WidokPolaczenia {
 public:
  // "Graj", "Stop" and "Na żywo" enabled or disabled.
  virtual void UstawGuziczkiFunkcyjne(bool wlaczone) = 0;
  // The cover over the axis area, shown while not connected.
  virtual void PokazZaslone(bool widoczna) = 0;
  // The 5 s reconnect timer started (from now) or stopped; when it fires the window calls
  // LogikaOkna::Timer1.
  virtual void UstawTimerPolaczenia(bool dziala) = 0;
  virtual ~WidokPolaczenia() = default;
};
