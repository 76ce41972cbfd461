#include "transport/IniCore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "core/Czas.h"
#include "core/Exception.h"
#include "support/Raised.h"
#include "transport/Transportable.h"

namespace {

String Hex(const String& bytes) {
  String out;
  char two[4];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    if (!out.empty()) out += ' ';
    out += two;
  }
  return out;
}

String Hex(const Core& c) { return Hex(c.Tekst()); }

Core Bytes(const String& bytes) {
  Core c;
  c.InsertAt(0, bytes.data(), static_cast<int>(bytes.size()));
  return c;
}

enum class Kolor : int { Czerwony = 1, Zielony = 0x01020304 };

// A small object with one field of every kind, written and read by one lsa.
struct Probka : Transportable {
  std::int32_t liczba = 0;
  std::int64_t duza = 0;
  std::uint16_t krotka = 0;
  char znak = 0;
  bool flaga = false;
  double ulamek = 0;
  Kolor kolor = Kolor::Czerwony;
  std::int64_t od = 0, do_ = 0;
  Czas poczatek, koniec;
  Roznica krok;
  String tekst;
  String bajty;
  Core blok;

  String Name() override { return "Probka"; }
  void lsa(IniBase& f) override {
    f.ReadWrite(liczba).ReadWrite(duza).ReadWrite(krotka).ReadWrite(znak).ReadWrite(flaga);
    f.ReadWrite(ulamek).ReadWrite(kolor).ReadWrite16(od, do_);
    f.ReadWrite16(poczatek, koniec).ReadWrite(krok);
    f.ReadWrite(tekst).ReadWriteBytes(bajty).ReadWrite(blok);
  }
};

}  // namespace

TEST(IniCore, WorkedExample) {
  Core block;
  {
    IniCore f(block, 1);
    int one = 1;
    String abc = "abc";
    Roznica second = Roznica::Sekunda;
    f.ReadWrite(one).ReadWrite(abc).ReadWrite(second);
    EXPECT_EQ(f.Position(), 19);
  }
  EXPECT_EQ(Hex(block), "01 00 00 00 03 00 00 00 61 62 63 80 96 98 00 00 00 00 00");
}

TEST(IniCore, EveryKindOfFieldRoundTrips) {
  Probka in;
  in.liczba = -2;
  in.duza = 0x0102030405060708;
  in.krotka = 0xBEEF;
  in.znak = 'Z';
  in.flaga = true;
  in.ulamek = 1.0;
  in.kolor = Kolor::Zielony;
  in.od = 1;
  in.do_ = -1;
  in.poczatek = Czas(0x01D3A1B2C3D4E5F6);
  in.koniec = Czas(0x7FFFFFFFFFFFFFFF);
  in.krok = Roznica(-2);
  in.tekst = "Łódź";
  in.bajty = String("\x00\x81\xFF", 3);
  in.blok = Bytes("xy");
  Core block;
  IniCore w(block, 1);
  in.lsa(w);
  EXPECT_EQ(Hex(block),
            "FE FF FF FF "                              // int32 -2
            "08 07 06 05 04 03 02 01 "                  // int64
            "EF BE "                                    // uint16
            "5A 01 "                                    // char, bool
            "00 00 00 00 00 00 F0 3F "                  // double 1.0
            "04 03 02 01 "                              // enumeration
            "01 00 00 00 00 00 00 00 FF FF FF FF FF FF FF FF "  // 16-byte value
            "F6 E5 D4 C3 B2 A1 D3 01 FF FF FF FF FF FF FF 7F "  // interval of two Czas
            "FE FF FF FF FF FF FF FF "                  // Roznica -2
            "04 00 00 00 A3 F3 64 9F "                  // text in Windows-1250
            "03 00 00 00 00 81 FF "                     // bytes unchanged
            "02 00 00 00 78 79");                       // Core

  Probka out;
  IniCore r(block, 0);
  out.lsa(r);
  EXPECT_EQ(r.Position(), block.Size());
  EXPECT_EQ(out.liczba, in.liczba);
  EXPECT_EQ(out.duza, in.duza);
  EXPECT_EQ(out.krotka, in.krotka);
  EXPECT_EQ(out.znak, in.znak);
  EXPECT_EQ(out.flaga, in.flaga);
  EXPECT_EQ(out.ulamek, in.ulamek);
  EXPECT_EQ(out.kolor, in.kolor);
  EXPECT_EQ(out.od, in.od);
  EXPECT_EQ(out.do_, in.do_);
  EXPECT_EQ(out.poczatek, in.poczatek);
  EXPECT_EQ(out.koniec, in.koniec);
  EXPECT_EQ(out.krok, in.krok);
  EXPECT_EQ(out.tekst, "Łódź");
  EXPECT_EQ(out.bajty, in.bajty);
  EXPECT_EQ(out.blok.Tekst(), "xy");
}

TEST(IniCore, TextTable) {
  const struct {
    String text;
    String bytes;  // what the archive holds
    String back;   // what reading gives
  } cases[] = {
      {"", "00 00 00 00", ""},
      {"zażółć gęślą jaźń", "11 00 00 00 7A 61 BF F3 B3 E6 20 67 EA 9C 6C B9 20 6A 61 9F F1",
       "zażółć gęślą jaźń"},
      {"ĄĆĘŁŃÓŚŹŻ", "09 00 00 00 A5 C6 CA A3 D1 D3 8C 8F AF", "ĄĆĘŁŃÓŚŹŻ"},
      {"5 €", "03 00 00 00 35 20 80", "5 €"},
      {"漢字", "02 00 00 00 3F 3F", "??"},
      {"a\xFF", "02 00 00 00 61 3F", "a?"},  // invalid UTF-8 inside the program
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Core block;
    String text = c.text;
    IniCore(block, 1).ReadWrite(text);
    EXPECT_EQ(Hex(block), c.bytes);
    String back = "old";
    IniCore(block, 0).ReadWrite(back);
    EXPECT_EQ(back, c.back);
  }
}

TEST(IniCore, EmptyCoreIsFourZeroBytes) {
  Core empty;
  Core block;
  IniCore(block, 1).ReadWrite(empty);
  EXPECT_EQ(Hex(block), "00 00 00 00");
  Core read = Bytes("old");
  IniCore(block, 0).ReadWrite(read);
  EXPECT_EQ(read.Size(), 0);
}

TEST(IniCore, WriteModeEmptiesTheBlockAndReadModeStartsAtItsFirstByte) {
  Core block = Bytes(String("\x07\x00\x00\x00\x09\x00\x00\x00", 8));
  int value = 0;
  IniCore(block, 0).ReadWrite(value);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(block.Size(), 8);  // reading leaves the block alone

  IniCore(block, 1).ReadWrite(value);
  EXPECT_EQ(Hex(block), "07 00 00 00");
}

TEST(IniCore, ReadingPastTheEndRaises) {
  Core block = Bytes("abc");
  int value = 0;
  EXPECT_EQ(Text(MessageOf([&] { IniCore(block, 0).ReadWrite(value); })),
            "a=0 n=4 a+n=4 l=3");
  Core empty;
  bool flag = false;
  EXPECT_EQ(Text(MessageOf([&] { IniCore(empty, 0).ReadWrite(flag); })),
            "a=0 n=1 a+n=1 l=0");
}

// Lengths from an archive are untrusted: a few bytes must never make the reader reserve
// megabytes, and nonsense lengths are refused before anything is allocated.
TEST(IniCore, RefusesLengthsItCannotHonour) {
  const String max = std::to_string(IniBase::MaksDlugosc);
  const struct {
    const char* name;
    String payload;
    String error;
  } cases[] = {
      {"negative", String("\xFF\xFF\xFF\xFF", 4) + "abcd",
       "Odczytana długość -1 poza zakresem 0.." + max},
      {"largest int", String("\xFF\xFF\xFF\x7F", 4),
       "Odczytana długość 2147483647 poza zakresem 0.." + max},
      {"just above the limit", String("\x01\x00\x00\x04", 4),
       "Odczytana długość 67108865 poza zakresem 0.." + max},
      {"the limit itself, but 8 bytes follow", String("\x00\x00\x00\x04", 4) + "12345678",
       "Odczytana długość 67108864 większa niż pozostałe 8 bajtów"},
      {"60 MiB claimed by a 12-byte payload", String("\x00\x00\xC0\x03", 4) + "12345678",
       "Odczytana długość 62914560 większa niż pozostałe 8 bajtów"},
      {"one byte short", String("\x05\x00\x00\x00", 4) + "abcd",
       "Odczytana długość 5 większa niż pozostałe 4 bajtów"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Core block = Bytes(c.payload);
    Core copy = block;

    String text = "untouched";
    EXPECT_EQ(Text(MessageOf([&] { IniCore(copy, 0).ReadWrite(text); })), c.error);
    EXPECT_EQ(text, "untouched");

    String bytes = "untouched";
    EXPECT_EQ(Text(MessageOf([&] { IniCore(copy, 0).ReadWriteBytes(bytes); })), c.error);
    EXPECT_EQ(bytes, "untouched");

    Core core;
    EXPECT_EQ(Text(MessageOf([&] { IniCore(copy, 0).ReadWrite(core); })), c.error);
    EXPECT_EQ(core.Capacity(), 0) << "nothing may be reserved for a refused length";
  }
}

TEST(IniCore, RefusesToWriteWhatCouldNotBeRead) {
  Core block;
  IniCore f(block, 1);
  int tooLong = IniBase::MaksDlugosc + 1;
  EXPECT_EQ(Text(MessageOf([&] { f.ReadWriteLength(tooLong); })),
            "Długość 67108865 poza zakresem 0..67108864");
  int negative = -3;
  EXPECT_EQ(Text(MessageOf([&] { f.ReadWriteLength(negative); })),
            "Długość -3 poza zakresem 0..67108864");
  EXPECT_EQ(block.Size(), 0);
}

TEST(IniCore, CountsAreCheckedAgainstWhatRemains) {
  const struct {
    String payload;
    int bytesPerElement;
    String error;  // empty: accepted
  } cases[] = {
      {String("\x02\x00\x00\x00", 4) + String(32, 'x'), 16, ""},
      {String("\x03\x00\x00\x00", 4) + String(32, 'x'), 16,
       "Odczytana liczba elementow 3 nie miesci sie w 32 pozostalych bajtach"},
      {String("\xFE\xFF\xFF\xFF", 4), 1, "Odczytana liczba elementow -2 ujemna"},
      {String("\xFF\xFF\xFF\x7F", 4), 8,
       "Odczytana liczba elementow 2147483647 nie miesci sie w 0 pozostalych bajtach"},
  };
  for (const auto& c : cases) {
    Core block = Bytes(c.payload);
    int count = 0;
    const String message =
        MessageOf([&] { IniCore(block, 0).ReadWriteCount(count, c.bytesPerElement); });
    if (c.error.empty()) {
      EXPECT_EQ(message, "(nothing raised)");
      EXPECT_EQ(count, 2);
    } else {
      EXPECT_EQ(Text(message), c.error);
    }
  }
}

// A large object written field by field: the block holds exactly the bytes written and
// reads back whole (bench_archive measures the speed).
TEST(IniCore, ManySmallFields) {
  Core block;
  {
    IniCore f(block, 1);
    for (int i = 0; i < 1000000; ++i) f.ReadWrite(i);
  }
  EXPECT_EQ(block.Size(), 4000000);
  IniCore r(block, 0);
  int last = 0;
  for (int i = 0; i < 1000000; ++i) r.ReadWrite(last);
  EXPECT_EQ(last, 999999);
}
