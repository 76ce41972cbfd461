#pragma once
// The text prompt and the clipboard, for going to a typed moment, copying its link and
// describing a bookmark. Window (GUI) thread only.
#include <functional>

#include "core/String.h"

class WidokZapytan {
 public:
  // Why a text cannot be taken, or empty when it can.
  using Sprawdzenie = std::function<String(const String& tekst)>;
  // The text prompt (modal): true and the edited text in `tekst` when confirmed; false
  // and `tekst` unchanged when cancelled. With `sprawdz`, a text it refuses is not
  // confirmed: the prompt shows the reason and stays open with the text to be corrected
  // (a view without a prompt of its own may confirm it; the caller reads it again).
  virtual bool Zapytaj(String& tekst, const String& tytul, const Sprawdzenie& sprawdz = {}) = 0;
  // The system clipboard's text replaced by `tekst`.
  virtual void DoSchowka(const String& tekst) = 0;
  virtual ~WidokZapytan() = default;
};
