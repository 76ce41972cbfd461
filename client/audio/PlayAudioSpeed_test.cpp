// Playing at a speed other than 1x on the engine: the moment shown is the moment heard on
// the demo time code (real PCM decoding, the null output recording what it played), right
// after a change of speed and on; and the output lasts the archive time over the speed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "archive/TimeCode.h"
#include "archive/TimeCodeProbe.h"
#include "audio/PlaybackFixtures.h"
#include "audio/TimeStretcher.h"

namespace {

using namespace playback;

// A packet of the time code at `rate` Hz mono over [czas, czas + ms); czas on a whole
// millisecond.
PaczkaAudio Kod(const TimeCode& kod, int rate, Czas czas, int ms, int numer) {
  std::vector<int16_t> s(static_cast<size_t>(static_cast<int64_t>(rate) * ms / 1000));
  kod.Probki(TimeCode::NumerProbki(czas, rate), static_cast<int>(s.size()), 1, s.data());
  return Encoded(czas, fixtures::Bytes(s), std::to_string(rate) + " mono " + std::to_string(rate * 16 / 1000) + " PCM",
                 numer);
}

// The first sample of x in [od, do_) above 3000 after `cisza` samples at or below it;
// -1 when none.
int64_t Nastep(const std::vector<int16_t>& x, int64_t od, int64_t do_, int64_t cisza) {
  od = std::max(od, cisza);
  do_ = std::min<int64_t>(do_, static_cast<int64_t>(x.size()));
  int64_t ostatni = -1;  // the last loud sample seen from od - cisza on
  for (int64_t i = od - cisza; i < do_; ++i) {
    if (std::abs(static_cast<int>(x[static_cast<size_t>(i)])) <= 3000) continue;
    if (i >= od && i - ostatni > cisza) return i;
    ostatni = i;
  }
  return -1;
}

// The time shown while frame k of the recording was heard, between the readings around it.
Czas Pokazany(const std::vector<std::pair<int64_t, Czas>>& odczyty, double k) {
  for (size_t i = 1; i < odczyty.size(); ++i) {
    const auto& [k0, c0] = odczyty[i - 1];
    const auto& [k1, c1] = odczyty[i];
    if (k > static_cast<double>(k1) || k1 == k0) continue;
    const double f = (k - static_cast<double>(k0)) / static_cast<double>(k1 - k0);
    return c0 + Roznica(std::llround(static_cast<double>((c1 - c0).Wartosc()) * f));
  }
  return Czas();
}

// At 0.5x, 1.5x and 3x, after 2 s at 1x and a change of speed at the moment heard (as the
// player core makes it): each second's first tone is heard within 10 ms of the moment the
// engine shows for it, and its tone says it is the second shown; at the rates archives
// are recorded at and at the low ones of MPEG-2 and speech, where the stretcher's windows
// are longest in time.
class PlayAudioSpeedRate : public testing::TestWithParam<int> {};

TEST_P(PlayAudioSpeedRate, TheMomentShownIsTheMomentHeardOnTheTimeCode) {
  const int rate = GetParam();
  const TimeCode kod(rate);
  const int slot = rate / 10;
  const int64_t cisza = rate / 50;  // 20 ms: under slot 0's silence even at 3x
  std::vector<int16_t> idealny(static_cast<size_t>(slot * 3));
  kod.Probki(0, slot * 3, 1, idealny.data());
  const int64_t wzorcowy = Nastep(idealny, 0, slot * 3, cisza);
  ASSERT_GT(wzorcowy, 0);

  for (int q : {2, 6, 12}) {
    SCOPED_TRACE("speed " + std::to_string(q) + "/4");
    Engine e;
    PlayAudio* pa = e.grajek->GetPlayAudio();
    const Czas t0 = Czas(1700000000LL * 10000000 + TimeCode::kEpokaUnix) + Ms(370);
    e.grajek->Reset(t0);
    e.grajek->Start();
    for (int i = 0; i < 3; ++i) e.Play(Kod(kod, rate, t0 + Ms(1000 * i), 1000, e.grajek->NumerAudia()));
    e.Advance(2000);

    pa->SetSpeed(q);
    const Czas c = e.grajek->GetCzas();
    e.grajek->Reset(c);
    // The server's audio begins at the start of a second before the moment asked for.
    const Czas od = c - Ms(430);
    for (int i = 0; i < 14; ++i) {
      PaczkaAudio p = Kod(kod, rate, od + Ms(1000 * i), 1000, e.grajek->NumerAudia());
      e.grajek->Graj(p);
    }
    e.Settle();
    const auto baza = static_cast<int64_t>(e.Heard().size());
    std::vector<std::pair<int64_t, Czas>> odczyty;
    const int dlugosc = 9000 * TimeStretcher::kQuarters / q;
    for (int t = 0; t < dlugosc; t += 10) {
      int64_t bajty = 0;
      ASSERT_TRUE(e.device->PeekPosition(&bajty));
      odczyty.emplace_back(baza + bajty / 2, e.grajek->GetCzas());
      e.Advance(10);
    }
    const std::vector<int16_t> x = e.Heard();
    const int64_t pierwsza = kalendarz::DzielWDol((c - Czas(TimeCode::kEpokaUnix)).Wartosc(), 10000000) + 1;
    int zmierzone = 0;
    String raport;
    for (int64_t s = pierwsza;; ++s) {
      const Czas poczatek = TimeCode::CzasProbki(s * rate + wzorcowy, rate);
      if (poczatek + Ms(1000) > odczyty.back().second) break;
      // Where the engine says the onset is heard, and where it is in the recording.
      int64_t kp = -1;
      for (const auto& [k, shown] : odczyty) {
        if (shown >= poczatek) {
          kp = k;
          break;
        }
      }
      ASSERT_GE(kp, 0);
      const int64_t okno = 60LL * rate / 1000 * TimeStretcher::kQuarters / q;
      const int64_t k = Nastep(x, kp - okno, kp + okno, cisza);
      ASSERT_GE(k, 0) << "no onset of second " << s << " near frame " << kp;
      const double ms = static_cast<double>((Pokazany(odczyty, static_cast<double>(k)) - poczatek).Wartosc()) / 1e4;
      EXPECT_LE(std::abs(ms), 10.0) << "second " << s;
      char b[32];
      std::snprintf(b, sizeof b, " %+.1f", ms);
      raport += b;
      const int slotWyj = slot * TimeStretcher::kQuarters / q;
      ASSERT_LE(static_cast<size_t>(k + 5 * slotWyj), x.size());
      EXPECT_EQ(probe::Ton(&x[static_cast<size_t>(k + slotWyj / 8)], 4 * slotWyj - slotWyj / 4, rate, 60), s % 60)
          << "another second was heard";
      ++zmierzone;
    }
    EXPECT_GE(zmierzone, 7);
    std::printf("[ moment  ] %d Hz at %d/4x: shown later than heard by (ms):%s\n", rate, q, raport.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, PlayAudioSpeedRate, testing::Values(48000, 44100, 22050, 16000),
                         [](const testing::TestParamInfo<int>& i) { return std::to_string(i.param); });

// 60 s of archive played at 2x are 30 s of output, within 50 ms.
TEST(PlayAudioSpeed, SixtySecondsAtTwiceTheSpeedLastThirty) {
  Engine e;
  e.grajek->GetPlayAudio()->SetSpeed(8);
  e.grajek->Reset(kT0);
  e.grajek->Start();
  const int numer = e.grajek->NumerAudia();
  for (int i = 0; i < 60; ++i) {
    PaczkaAudio p = Packet(kT0 + Ms(1000 * i), 1000, i * 8000, numer);
    e.grajek->Graj(p);
  }
  e.Settle();
  e.Advance(32000);
  const double sekund = static_cast<double>(e.Heard().size()) / 8000;
  EXPECT_NEAR(sekund, 30.0, 0.05);
  // What the engine shows at the end is where the output ran out.
  EXPECT_NEAR(static_cast<double>((e.grajek->GetCzas() - kT0).Wartosc()) / 1e7, sekund * 2, 0.01);
}

}  // namespace

// At 2x across a gap in the archive: the stretch before the gap is heard to its end (what
// the stretcher still held comes out before the next stretch starts), and the next begins
// at the packet after the gap, at a low rate and at one archives are recorded at.
TEST(PlayAudioSpeed, AGapEndsTheStretchWithItsLastSamplesHeard) {
  for (const int rate : {8000, 48000}) {
    SCOPED_TRACE(rate);
    const TimeCode kod(rate);
    Engine e;
    e.grajek->GetPlayAudio()->SetSpeed(8);
    e.grajek->Reset(kT0);
    e.grajek->Start();
    const int numer = e.grajek->NumerAudia();
    const Czas poLuce = kT0 + Ms(6000);
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Kod(kod, rate, kT0, 1000, numer)));
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Kod(kod, rate, poLuce, 1000, numer)));
    e.Settle();
    e.Advance(700);
    EXPECT_EQ(e.device->resets, 2) << "the stretch after the gap has not started";
    EXPECT_GE(e.grajek->GetCzas(), poLuce);
    e.Advance(1000);
    // Both stretches whole: 2 s of archive at 2x is 1 s of output.
    EXPECT_EQ(e.Heard().size(), static_cast<size_t>(rate));
    EXPECT_EQ(e.grajek->GetCzas(), poLuce + Ms(1000));
  }
}
