#include "display/TimeComponent.h"

#include "core/CallTrace.h"
#include "core/Exception.h"

void TimeComponent::SetListener(Listener* l) {
  KG_TRACE("TimeComponent::SetListener(Listener *l)");
  if (listener != nullptr) KG_ASSERTION("listener");
  listener = l;
}

void TimeComponent::RemoveListener(Listener* l) {
  KG_TRACE("TimeComponent::RemoveListener(Listener *l)");
  if (l != listener) KG_ASSERTION("l!=listener");
  listener = nullptr;
}

void TimeComponent::Zmieniony() {
  KG_TRACE("TimeComponent::Zmieniony()");
  zmieniony = true;
  if (listener != nullptr) listener->Hey();
}

bool TimeComponent::CzyZmieniony() {
  KG_TRACE("TimeComponent::CzyZmieniony()");
  const bool b = zmieniony;
  zmieniony = false;
  return b;
}
