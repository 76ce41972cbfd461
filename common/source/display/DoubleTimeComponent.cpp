#include "display/DoubleTimeComponent.h"

#include "core/CallTrace.h"

DoubleTimeComponent::DoubleTimeComponent(TimeComponent* first, TimeComponent* second) {
  KG_TRACE("DoubleTimeComponent::DoubleTimeComponent(TimeComponent * tc1,TimeComponent * tc2)");
  SetFirst(first);
  SetSecond(second);
}

DoubleTimeComponent::~DoubleTimeComponent() {
  // Unregistering cannot fail here: this pair registered itself in both slots.
  SetFirst(nullptr);
  SetSecond(nullptr);
}

void DoubleTimeComponent::SetTC(TimeComponent** tcp, TimeComponent* tc) {
  KG_TRACE("DoubleTimeComponent::SetTC(TimeComponent **tcp,TimeComponent *tc)");
  if (*tcp != nullptr) (*tcp)->RemoveListener(this);
  *tcp = tc;
  if (tc != nullptr) tc->SetListener(this);
}

void DoubleTimeComponent::SetFirst(TimeComponent* tc) {
  KG_TRACE("DoubleTimeComponent::SetFirst(TimeComponent *tc)");
  SetTC(&tc1, tc);
}

void DoubleTimeComponent::SetSecond(TimeComponent* tc) {
  KG_TRACE("DoubleTimeComponent::SetSecond(TimeComponent *tc)");
  SetTC(&tc2, tc);
}

Czas DoubleTimeComponent::Get() {
  KG_TRACE("DoubleTimeComponent::Get()");
  if (tc1 != nullptr) return tc1->Get();
  if (tc2 != nullptr) return tc2->Get();
  return Czas();
}

void DoubleTimeComponent::Set(Czas c) {
  KG_TRACE("DoubleTimeComponent::Set(Czas c)");
  if (tc1 != nullptr) tc1->Set(c);
  if (tc2 != nullptr) tc2->Set(c);
}

void DoubleTimeComponent::Hey() {
  KG_TRACE("DoubleTimeComponent::Hey()");
  if (tc1 != nullptr && tc2 != nullptr) {
    if (tc1->CzyZmieniony()) {
      tc2->Set(tc1->Get());
    } else {
      tc1->Set(tc2->Get());
    }
  }
  Zmieniony();
}
