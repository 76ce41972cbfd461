#include "core/RegionalNames.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/CallTrace.h"
#include "core/Exception.h"

namespace {

std::atomic<const RegionalNames*> g_biezace{nullptr};
std::mutex g_zapis;

// Every set of names ever installed, never freed, so that references handed out stay valid.
std::vector<std::unique_ptr<RegionalNames>>& Wszystkie() {
  static auto* wszystkie = new std::vector<std::unique_ptr<RegionalNames>>();
  return *wszystkie;
}

const RegionalNames* Zainstaluj(RegionalNames names, bool zastap) {
  std::lock_guard<std::mutex> lock(g_zapis);
  const RegionalNames* obecne = g_biezace.load(std::memory_order_relaxed);
  if (obecne != nullptr && !zastap) return obecne;
  Wszystkie().push_back(std::make_unique<RegionalNames>(std::move(names)));
  const RegionalNames* nowe = Wszystkie().back().get();
  g_biezace.store(nowe, std::memory_order_release);
  return nowe;
}

}  // namespace

RegionalNames RegionalNames::ZLocale(const String& nazwa) {
  KG_TRACE("RegionalNames::ZLocale(const String& nazwa)");
  locale_t loc = newlocale(LC_TIME_MASK, nazwa.c_str(), static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) KG_ERROR("Nie można załadować ustawień regionalnych " + nazwa);
  RegionalNames n;
  for (int i = 0; i < 12; ++i) {
    const size_t k = static_cast<size_t>(i);
    n.miesiace[k] = nl_langinfo_l(static_cast<nl_item>(MON_1 + i), loc);
    // The standalone form; a locale without one gives its ordinary names here.
    n.miesiaceSamodzielne[k] = nl_langinfo_l(static_cast<nl_item>(ALTMON_1 + i), loc);
    if (n.miesiaceSamodzielne[k].empty()) n.miesiaceSamodzielne[k] = n.miesiace[k];
    n.miesiaceSkrocone[k] = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + i), loc);
  }
  for (int i = 0; i < 7; ++i) {
    const size_t k = static_cast<size_t>(i);
    n.dni[k] = nl_langinfo_l(static_cast<nl_item>(DAY_1 + i), loc);
    n.dniSkrocone[k] = nl_langinfo_l(static_cast<nl_item>(ABDAY_1 + i), loc);
  }
  freelocale(loc);
  return n;
}

RegionalNames RegionalNames::Systemowe() {
  KG_TRACE("RegionalNames::Systemowe()");
  std::optional<RegionalNames> n;
  // A failure caught here leaves the entries of the traced calls it passed through; the
  // mark cuts the chain back to this function's own entry.
  TraceMarkDepth();
  try {
    n = ZLocale("");
  } catch (const Exception&) {
    // The environment names a locale that is not installed: the C library's own names.
  }
  TraceReturnToMark();
  return n ? std::move(*n) : ZLocale("C");
}

const RegionalNames& RegionalNames::Biezace() {
  const RegionalNames* p = g_biezace.load(std::memory_order_acquire);
  if (p != nullptr) return *p;
  return *Zainstaluj(Systemowe(), false);
}

void RegionalNames::Ustaw(RegionalNames names) {
  KG_TRACE("RegionalNames::Ustaw(RegionalNames names)");
  Zainstaluj(std::move(names), true);
}

void RegionalNames::Reset() {
  KG_TRACE("RegionalNames::Reset()");
  std::lock_guard<std::mutex> lock(g_zapis);
  g_biezace.store(nullptr, std::memory_order_release);
}
