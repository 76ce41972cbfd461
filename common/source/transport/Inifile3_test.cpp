#include "transport/Inifile3.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "support/Raised.h"
#include "support/TempDir.h"
#include "transport/Transportable.h"

namespace {

String Contents(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void Put(const String& path, const String& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

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

struct Notatka : Transportable {
  int numer = 0;
  String tresc;
  String Name() override { return "Notatka"; }
  void lsa(IniBase& f) override { f.ReadWrite(numer).ReadWrite(tresc); }
};

// "inifile", the id "abc", version 1.
const String kHeaderAbc1("inifile\x03\x00\x00\x00" "abc\x01\x00\x00\x00", 18);

}  // namespace

TEST(Inifile3, WritesTheHeaderThenTheObject) {
  TempDir dir;
  Notatka note;
  note.numer = 5;
  note.tresc = "żaba";
  {
    Inifile3 f(dir / "n.dat", 1, "abc", 1);
    EXPECT_FALSE(f.Failed());
    note.lsa(f);
  }
  EXPECT_EQ(Hex(Contents(dir / "n.dat")),
            "69 6E 69 66 69 6C 65 03 00 00 00 61 62 63 01 00 00 00 "
            "05 00 00 00 04 00 00 00 BF 61 62 61");

  Inifile3 f(dir / "n.dat", 0, "abc", 1);
  EXPECT_FALSE(f.Failed());
  EXPECT_EQ(f.version, 1);
  Notatka back;
  back.lsa(f);
  EXPECT_EQ(back.numer, 5);
  EXPECT_EQ(back.tresc, "żaba");
}

TEST(Inifile3, MissingFileIsReportedNotRaised) {
  TempDir dir;
  Inifile3 f(dir / "missing.dat", 0, "abc", 1);
  EXPECT_TRUE(f.Failed());
}

TEST(Inifile3, VersionsUpToTheReadersAreAccepted) {
  TempDir dir;
  const String name = dir / "v.dat";
  { Inifile3 f(name, 1, "abc", 2); }
  EXPECT_EQ(Text(MessageOf([&] { Inifile3 f(name, 0, "abc", 1); })),
            "\"" + name + "\" ma wersję 2");
  Inifile3 newer(name, 0, "abc", 3);
  EXPECT_EQ(newer.version, 2);
  Inifile3 same(name, 0, "abc", 2);
  EXPECT_EQ(same.version, 2);
}

TEST(Inifile3, DamagedHeadersAreRefused) {
  TempDir dir;
  const String name = dir / "h.dat";
  const String quoted = "\"" + name + "\"";
  for (int i = 0; i < 7; ++i) {
    String bytes = kHeaderAbc1;
    bytes[i] ^= 0x20;
    Put(name, bytes);
    EXPECT_EQ(Text(MessageOf([&] { Inifile3 f(name, 0, "abc", 1); })),
              quoted + " jest uszkodzony") << "byte " << i;
  }
  const struct {
    const char* name;
    String bytes;
    String error;
  } cases[] = {
      {"another id", String("inifile\x03\x00\x00\x00" "abd\x01\x00\x00\x00", 18),
       quoted + " jest niewlasciwy"},
      {"shorter than the tag", "inifi", "Błąd odczytu z " + name},
      {"empty file", "", "Błąd odczytu z " + name},
      {"cut inside the version", kHeaderAbc1.substr(0, 16), "Błąd odczytu z " + name},
      {"id length beyond the file", String("inifile\x00\x00\x00\x01", 11),
       "Odczytana długość 16777216 większa niż pozostałe 0 bajtów"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(name, c.bytes);
    EXPECT_EQ(Text(MessageOf([&] { Inifile3 f(name, 0, "abc", 1); })), c.error);
  }
}

TEST(Inifile3, ReadingPastTheDataRaises) {
  TempDir dir;
  const String name = dir / "short.dat";
  Put(name, kHeaderAbc1 + String("\x05\x00", 2));
  Inifile3 f(name, 0, "abc", 1);
  int value = 0;
  EXPECT_EQ(Text(MessageOf([&] { f.ReadWrite(value); })), "Błąd odczytu z " + name);
}

TEST(Inifile3, PolishIdIsStoredInWindows1250) {
  TempDir dir;
  const String name = dir / "pl.dat";
  { Inifile3 f(name, 1, "zakładki", 1); }
  EXPECT_EQ(Contents(name).substr(7), String("\x08\x00\x00\x00zak\xB3" "adki\x01\x00\x00\x00", 16));
  Inifile3 f(name, 0, "zakładki", 1);
  EXPECT_FALSE(f.Failed());
  EXPECT_EQ(Text(MessageOf([&] { Inifile3 g(name, 0, "zakladki", 1); })),
            "\"" + name + "\" jest niewlasciwy");
}

TEST(Inifile2, ShortReadsSetFailedQuietly) {
  TempDir dir;
  const String name = dir / "d.dat";
  Put(name, String("\x01\x00\x00\x00\x02\x00", 6));
  Inifile2 f(name, 0);
  int first = 0, second = 0x7F7F7F7F;
  f.ReadWrite(first);
  EXPECT_FALSE(f.Failed());
  f.ReadWrite(second);
  EXPECT_TRUE(f.Failed());
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0x7F7F0002);  // the two bytes read; the missing ones left as they were

  Inifile2 missing(dir / "none.dat", 0);
  EXPECT_TRUE(missing.Failed());
  int value = 42;
  missing.ReadWrite(value);  // nothing to read: Failed() stays, nothing raised
  EXPECT_TRUE(missing.Failed());
}

TEST(Inifile2, WriteModeReplacesTheFileAndRaisesWhenItCannot) {
  TempDir dir;
  const String name = dir / "w.dat";
  Put(name, "old contents that are longer");
  {
    Inifile2 f(name, 1);
    String s = "x";
    f.ReadWrite(s);
  }
  EXPECT_EQ(Contents(name), String("\x01\x00\x00\x00x", 5));

  const String bad = dir / "no/such/w.dat";
  EXPECT_EQ(Text(MessageOf([&] { Inifile2 f(bad, 1); })),
            SystemErrorText(ENOENT) + "\"" + bad + "\"");
}
