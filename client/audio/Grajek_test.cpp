#include "audio/Grajek.h"

#include <gtest/gtest.h>

#include <sstream>

#include "audio/PlaybackFixtures.h"
#include "support/LogCapture.h"

using namespace playback;

namespace {

// The log line that holds `text`; empty when none does.
String LineWith(const String& log, const String& text) {
  std::istringstream in(log);
  for (String line; std::getline(in, line);) {
    if (line.find(text) != String::npos) return line;
  }
  return String();
}

// Only packets of the current request are played: older ones are skipped quietly, newer
// ones are logged as errors; Reset counts the requests up, Restart starts again at 2.
TEST(Grajek, SequenceNumbersSelectTheCurrentRequest) {
  LogCapture log;
  Engine e;
  EXPECT_TRUE(e.grajek->IsStopped());
  EXPECT_EQ(e.grajek->NumerAudia(), 2);
  e.grajek->Reset(kT0);
  EXPECT_EQ(e.grajek->NumerAudia(), 3);
  const Roznica empty = e.grajek->IleWBuforze();
  EXPECT_EQ(empty, kTick * 3);

  e.Play(Packet(kT0, 1000, 0, 2));
  EXPECT_TRUE(LineWith(log.Text(), "pomijamy 2 bo nie jest 3").find("] debug\t") != String::npos) << log.Text();
  e.Play(Packet(kT0, 1000, 0, 4));
  EXPECT_TRUE(LineWith(log.Text(), "p.numeraudia=4 > numerAudia=3 \t").find("] error\t") != String::npos) << log.Text();
  EXPECT_EQ(e.grajek->IleWBuforze(), empty);
  EXPECT_EQ(e.device->writes, 0);

  e.Play(Packet(kT0, 1000, 0, 3));
  EXPECT_EQ(e.device->writes, 10);

  e.grajek->Reset(kT0);
  e.grajek->Reset(kT0);
  EXPECT_EQ(e.grajek->NumerAudia(), 5);
  e.grajek->Restart(kT0 + Roznica::Sekunda);
  EXPECT_EQ(e.grajek->NumerAudia(), 2);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Roznica::Sekunda + kTick);
  e.Play(Packet(kT0 + Roznica::Sekunda, 1000, 0, 2));
  e.grajek->Start();
  EXPECT_FALSE(e.grajek->IsStopped());
  e.Advance(100);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Roznica::Sekunda + Ms(100));
}

}  // namespace
