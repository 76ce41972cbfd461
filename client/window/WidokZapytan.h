#pragma once
// The text prompt and the clipboard, for going to a typed moment, copying its link and
// describing a bookmark. Window (GUI) thread only.
#include "core/String.h"

class WidokZapytan {
 public:
  // The text prompt (modal): true and the edited text in `tekst` when confirmed; false
  // and `tekst` unchanged when cancelled.
  virtual bool Zapytaj(String& tekst, const String& tytul) = 0;
  // The system clipboard's text replaced by `tekst`.
  virtual void DoSchowka(const String& tekst) = 0;
  virtual ~WidokZapytan() = default;
};
