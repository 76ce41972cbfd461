#include "commandline/LinkZLinii.h"

#include "commandline/CommandLine.h"

std::optional<LinkDoChwili> LinkZLinii(const CommandLine& linia, const std::vector<const char*>& zastepowane) {
  const std::optional<String> tekst = linia.Argument();
  if (!tekst) return std::nullopt;
  // A text that is no link is named as such first, whatever else is given.
  LinkDoChwili l;
  try {
    l = ParsujLink(*tekst);
  } catch (const std::exception& e) {
    throw UsageError(TerminalSentence(e.what()));
  }
  String opcje;
  for (size_t i = 0; i < zastepowane.size(); ++i) {
    opcje += (i == 0 ? "" : i + 1 == zastepowane.size() ? " i " : ", ") + Opcja(zastepowane[i]);
  }
  for (const char* o : zastepowane) {
    if (linia.IsSet(o)) throw UsageError("link zastępuje " + opcje + ": podaj link albo te opcje");
  }
  return l;
}
