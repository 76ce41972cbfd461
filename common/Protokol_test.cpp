// The worked examples of docs/protocol.md, byte for byte: packets built from the words of
// Protokol.h by the program's own encoder, and the same bytes decoded again.
#include "transport/Protokol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "common/PaczkaAudio.h"
#include "core/Czas.h"
#include "transport/Paczka2.h"

namespace {

struct Bajty : Writable {
  String b;
  void Write(const void* v, int n) override { b.append(static_cast<const char*>(v), static_cast<size_t>(n)); }
};

String Hex(const String& bytes) {
  String out;
  char two[4];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02X", c);
    if (!out.empty()) out += ' ';
    out += two;
  }
  return out;
}

// 2024-05-01 10:00:00 UTC.
const Czas kCzas = Czas::ZNapisuHex("01DA9BAE54319000");

}  // namespace

TEST(Protokol, TheDocumentedPacketsByteForByte) {
  struct Case {
    const char* nazwa;
    std::function<Paczka2()> paczka;
    const char* hex;
    const char* tekst;  // what a text packet reads as; none for audio
  } cases[] = {
      {"setpos", [] { return Paczka2(String(protokol::kSetpos) + " " + kCzas.NapisHex()); },
       "70 61 63 7A 6B 32 01 00 00 00 06 00 00 00 53 74 72 69 6E 67 17 00 00 00 73 65 74 70 6F 73 20 30 "
       "31 44 41 39 42 41 45 35 34 33 31 39 30 30 30 00 00 00 00",
       "setpos 01DA9BAE54319000"},
      // Windows-1250 on the wire: "Łódź" is A3 F3 64 9F.
      {"terazgramy", [] { return Paczka2(String(protokol::kTerazGramy) + " Radio Łódź"); },
       "70 61 63 7A 6B 32 01 00 00 00 06 00 00 00 53 74 72 69 6E 67 15 00 00 00 74 65 72 61 7A 67 72 61 "
       "6D 79 20 52 61 64 69 6F 20 A3 F3 64 9F 00 00 00 00",
       "terazgramy Radio Łódź"},
      {"audio",
       [] {
         PaczkaAudio a;
         a.numeraudia = 3;
         a.format = "44100 stereo 128 MPEG1";
         a.czas = kCzas;
         a.dane.InsertAt(0, "\xFF\xFB\x92\x64", 4);
         return Paczka2(a, "");
       },
       "70 61 63 7A 6B 32 01 00 00 00 0B 00 00 00 50 61 63 7A 6B 61 41 75 64 69 6F 2E 00 00 00 03 00 00 "
       "00 16 00 00 00 34 34 31 30 30 20 73 74 65 72 65 6F 20 31 32 38 20 4D 50 45 47 31 00 90 31 54 AE "
       "9B DA 01 04 00 00 00 FF FB 92 64 00 00 00 00",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nazwa);
    Bajty wire;
    c.paczka().Wyslij(wire);
    EXPECT_EQ(Hex(wire.b), c.hex);

    Paczka2 odebrana;
    odebrana.Write(wire.b.data(), static_cast<int>(wire.b.size()));
    ASSERT_TRUE(odebrana.Skonczyl());
    EXPECT_EQ(odebrana.Opis, "");
    if (c.tekst == nullptr) {
      ASSERT_EQ(odebrana.Nazwa, "PaczkaAudio");
      PaczkaAudio a;
      odebrana.Wyjmij(a);
      EXPECT_EQ(a.numeraudia, 3);
      EXPECT_EQ(a.czas, kCzas);
      EXPECT_EQ(a.format, "44100 stereo 128 MPEG1");
    } else {
      EXPECT_EQ(odebrana.DajString(), c.tekst);
    }
  }
}
