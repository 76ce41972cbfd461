#pragma once
// The save dialog of an export, behind an interface: the window supplies its file dialog
// (filters "Format Oryginalny|*.*|PCM|*.wav", asking before overwriting, an existing
// directory required), the command line a fixed choice. Used on the exporter's thread.
#include <optional>

#include "core/String.h"

class DialogZapisu {
 public:
  struct Wybor {
    String plik;       // the chosen file name; the exporter appends the extension
    bool pcm = false;  // the second filter, "PCM": decode to 16-bit PCM WAV
  };
  virtual ~DialogZapisu() = default;
  // Shows the dialog with `proponowana` as the file name; none when the user cancels.
  virtual std::optional<Wybor> Pokaz(const String& proponowana) = 0;
  // The directory the next dialog starts in.
  virtual void UstawKatalog(const String& katalog) = 0;
};
