// Audio packets as they cross a connection: a PaczkaAudio put into a Paczka2, sent,
// received in pieces and taken out again.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/PaczkaAudio.h"
#include "core/CyclicBuffer.h"
#include "core/Exception.h"
#include "transport/Paczka2.h"

namespace {

PaczkaAudio Audio(int bytes) {
  PaczkaAudio a;
  a.numeraudia = 17;
  a.format = "44100 stereo 128 MPEG1";
  a.czas = Czas(0x01D2345678ABCDEFLL);
  String dane;
  for (int i = 0; i < bytes; ++i) dane += static_cast<char>(i * 13 + 5);
  a.dane.InsertAt(0, dane.data(), bytes);
  return a;
}

}  // namespace

TEST(Paczka2Audio, AudioPacketRoundTripsInPieces) {
  PaczkaAudio sent = Audio(16384);
  CyclicBuffer wire;
  Paczka2(sent, "").Wyslij(wire);
  Paczka2(sent, "export").Wyslij(wire);
  const String bytes = wire.Contents();
  ASSERT_EQ(bytes.substr(0, 6), "paczk2");

  for (int piece : {1, 7, 8192, 1 << 20}) {
    SCOPED_TRACE(piece);
    Paczka2 p;
    int complete = 0;
    for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(piece)) {
      const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(piece), bytes.size() - at));
      p.Write(bytes.data() + at, n);
      while (p.Skonczyl()) {
        ++complete;
        EXPECT_EQ(p.Nazwa, "PaczkaAudio");
        EXPECT_EQ(p.Opis, complete == 1 ? "" : "export");
        PaczkaAudio got;
        p.Wyjmij(got);
        EXPECT_EQ(got.numeraudia, 17);
        EXPECT_EQ(got.format, sent.format);
        EXPECT_EQ(got.czas, sent.czas);
        EXPECT_EQ(got.dane.Tekst(), sent.dane.Tekst());
        p.Write(nullptr, 0);
      }
    }
    EXPECT_EQ(complete, 2);
  }
}

TEST(Paczka2Audio, AnAudioPacketIsNotTakenOutAsAnotherType) {
  PaczkaAudio sent = Audio(10);
  CyclicBuffer wire;
  Paczka2(sent, "").Wyslij(wire);
  Paczka2 p;
  ASSERT_TRUE(p.Wczytaj(wire));
  try {
    p.DajString();
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Nazwa!=\"String\"", 0), 0u);
  }
}
