#pragma once
// The widgets of the main window's logic (LogikaOkna), one narrow view for each of its
// parts: the status line, the connection, the station, the events, the export, the axis,
// the live indicator, the prompt and clipboard. The Qt window is all of them; a program
// without a window gives the ones it shows and the empty view (WidokPusty) for the rest.
// Tests implement them by recording the calls.
//
// Window (GUI) thread only. Each accessor returns the same object for the view's life.
#include "window/WidokEksportu.h"
#include "window/WidokNaZywo.h"
#include "window/WidokOsi.h"
#include "window/WidokPolaczenia.h"
#include "window/WidokStacji.h"
#include "window/WidokStatusu.h"
#include "window/WidokWydarzen.h"
#include "window/WidokZapytan.h"

class WidokOkna {
 public:
  virtual WidokStatusu& Statusu() = 0;
  virtual WidokPolaczenia& Polaczenia() = 0;
  virtual WidokStacji& Stacji() = 0;
  virtual WidokWydarzen& Wydarzen() = 0;
  virtual WidokEksportu& Eksportu() = 0;
  virtual WidokOsi& Osi() = 0;
  virtual WidokNaZywo& NaZywo() = 0;
  virtual WidokZapytan& Zapytan() = 0;
  virtual ~WidokOkna() = default;
};
