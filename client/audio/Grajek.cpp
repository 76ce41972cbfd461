#include "audio/Grajek.h"

#include <string>

#include "core/CallTrace.h"
#include "core/Log.h"

Grajek::Grajek(TimeComponent*, Writable*, std::unique_ptr<WaveOutDevice> device)
    : playAudio(std::make_unique<PlayAudio>(std::move(device))) {
  KG_TRACE("Grajek::Grajek(TimeComponent * t,Writable *o,std::unique_ptr<WaveOutDevice> device)");
  playAudio->Pause();
}

Grajek::~Grajek() { KG_TRACE("Grajek::~Grajek()"); }

void Grajek::Graj(PaczkaAudio& p) {
  KG_TRACE("Grajek::Graj(PaczkaAudio & p)");
  const int n = numerAudia;
  if (n < p.numeraudia) {
    Log(2, "p.numeraudia=" + std::to_string(p.numeraudia) + " " + "> " + "numerAudia=" + std::to_string(n) + " ",
        KG_WHERE);
    return;
  }
  if (p.numeraudia < n) {
    Log(0, "pomijamy " + std::to_string(p.numeraudia) + " bo nie jest " + std::to_string(n), KG_WHERE);
    return;
  }
  playAudio->Play(p);
}

void Grajek::Reset(Czas c) {
  KG_TRACE("Grajek::Reset(Czas c)");
  playAudio->Reset(c);
  numerAudia += 1;
}

void Grajek::Restart(Czas c) {
  KG_TRACE("Grajek::Restart(Czas c)");
  Reset(c);
  numerAudia = 2;
}

void Grajek::Stop() {
  KG_TRACE("Grajek::Stop()");
  playAudio->Pause();
  stopped = true;
}

void Grajek::Start() {
  KG_TRACE("Grajek::Start()");
  playAudio->Resume();
  stopped = false;
}

bool Grajek::IsStopped() const { return stopped; }

Roznica Grajek::IleWBuforze() {
  KG_TRACE("Grajek::IleWBuforze()");
  return playAudio->GetBufferedTime();
}

Czas Grajek::GetCzas() {
  KG_TRACE("Grajek::GetCzas()");
  return playAudio->GetCzas();
}
