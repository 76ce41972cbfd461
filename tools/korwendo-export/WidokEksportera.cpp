#include "korwendo-export/WidokEksportera.h"

#include "core/Log.h"

WidokEksportera::WidokEksportera(std::function<void(bool)> pokaz, std::function<void()> p)
    : pokazPostep(std::move(pokaz)), postep(std::move(p)) {}

void WidokEksportera::UstawStatus(const String& s) {
  // The logic sets a text again whenever it comes again, and clears it when its time is up.
  if (!s.empty() && s != status && s != dymek) Log(0, "korwendo-export: " + s, KG_WHERE);
  status = s;
}

void WidokEksportera::PokazPostepEksportu(bool widoczny, int) {
  if (pokazPostep) pokazPostep(widoczny);
}

void WidokEksportera::UstawPostepEksportu(int) {
  if (postep) postep();
}
