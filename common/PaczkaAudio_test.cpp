#include "common/PaczkaAudio.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/Exception.h"
#include "support/CoreBytes.h"
#include "transport/IniCore.h"

namespace {

void SetBytes(Core& c, const String& bytes) {
  c.SetSize(0);
  c.InsertAt(0, bytes.data(), static_cast<int>(bytes.size()));
}

TEST(PaczkaAudio, EncodesTheWorkedExample) {
  PaczkaAudio p;
  p.numeraudia = 3;
  p.format = "8000 mono 8 PCM";
  SetBytes(p.dane, "\xAA\xBB");
  Core payload;
  IniCore out(payload, 1);
  p.lsa(out);
  ASSERT_EQ(payload.Size(), 37);
  EXPECT_EQ(Hex(payload),
            "03000000"                          // numeraudia
            "0F000000" "38303030206D6F6E6F20382050434D"  // format
            "0000000000000000"                  // czas
            "02000000" "AABB");                 // dane
  EXPECT_EQ(p.Name(), "PaczkaAudio");
  EXPECT_EQ(p.Version(), 1);
}

TEST(PaczkaAudio, RoundTripsAllFields) {
  PaczkaAudio p;
  p.numeraudia = -7;
  p.format = "44100 stereo 128 MPEG1";
  p.czas = Czas(0x01D2345678ABCDEFLL);
  String audio;
  for (int i = 0; i < 1000; ++i) audio += static_cast<char>(i * 7);
  SetBytes(p.dane, audio);
  Core payload;
  IniCore out(payload, 1);
  p.lsa(out);

  PaczkaAudio q;
  IniCore in(payload, 0);
  q.lsa(in);
  EXPECT_EQ(q.numeraudia, -7);
  EXPECT_EQ(q.format, p.format);
  EXPECT_EQ(q.czas, p.czas);
  EXPECT_EQ(q.dane.Tekst(), audio);
  EXPECT_EQ(in.Position(), payload.Size());
}

TEST(PaczkaAudio, EmptyDataIsFourZeroBytes) {
  PaczkaAudio p;
  p.format = "8000 mono 8 PCM";
  Core payload;
  IniCore out(payload, 1);
  p.lsa(out);
  EXPECT_EQ(Hex(payload).substr(Hex(payload).size() - 8), "00000000");
  EXPECT_EQ(payload.Size(), 4 + 4 + 15 + 8 + 4);
}

TEST(PaczkaAudio, ShortPayloadRaises) {
  PaczkaAudio p;
  p.format = "8000 mono 8 PCM";
  SetBytes(p.dane, "abcdef");
  Core payload;
  IniCore out(payload, 1);
  p.lsa(out);
  payload.SetSize(payload.Size() - 1);
  PaczkaAudio q;
  IniCore in(payload, 0);
  EXPECT_THROW(q.lsa(in), Exception);
}

TEST(PaczkaAudio, DurationAndEnd) {
  PaczkaAudio p;
  p.format = "44100 stereo 128 MPEG1";
  p.czas = Czas(1000);
  p.dane.SetSize(16000);
  EXPECT_EQ(p.IleCzasu(), Roznica::Sekunda);
  EXPECT_EQ(p.Koniec(), Czas(1000) + Roznica::Sekunda);
  p.dane.SetSize(0);
  EXPECT_EQ(p.IleCzasu(), Roznica(1));

  p.format = "44100 stereo";
  try {
    p.IleCzasu();
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().substr(0, e.Message().find(" in file")), "Invalid format \"44100 stereo\".");
  }
}

}  // namespace
