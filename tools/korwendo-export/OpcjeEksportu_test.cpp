#include "korwendo-export/OpcjeEksportu.h"

#include <gtest/gtest.h>

#include "export/Exporter.h"
#include "textforms/CzasTekstowy.h"

namespace {

std::vector<String> Podstawa() {
  return {"--server", "localhost:5000", "--station", "Zegar", "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"};
}

TEST(OpcjeEksportu, IntervalsFormOneSet) {
  std::vector<String> a = Podstawa();
  // A second pair, given with an offset, and a third that merges with the first.
  a.insert(a.end(), {"--from", "2026-12-10T10:00:00+01:00", "--to", "2026-12-10T09:20:00Z", "--from",
                     "2026-12-10T08:05:00Z", "--to", "2026-12-10T08:12:00Z", "--pcm", "--output", "x.wav"});
  const OpcjeEksportu o = ParsujOpcjeEksportu(a);
  EXPECT_EQ(o.serwer, "localhost:5000");
  EXPECT_EQ(o.stacja, "Zegar");
  const std::vector<Przedzial> p = o.przedzialy.Wszystkie();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].begin, ParsujCzas("2026-12-10T08:00:00Z"));
  EXPECT_EQ(p[0].end, ParsujCzas("2026-12-10T08:12:00Z"));
  EXPECT_EQ(p[1].begin, ParsujCzas("2026-12-10T09:00:00Z"));
  EXPECT_TRUE(o.pcm);
  EXPECT_EQ(o.plik, "x.wav");
  EXPECT_FALSE(ParsujOpcjeEksportu(Podstawa()).pcm);
  EXPECT_FALSE(ParsujOpcjeEksportu(Podstawa()).plik);
  EXPECT_EQ(ParsujOpcjeEksportu({"--server", "h", "--station", "S", "--from", "0000000000000010", "--to", "0000000000000020"}).serwer,
            "h:12540");
}

// A link gives the server, the station and the one interval's beginning; --to its end.
TEST(OpcjeEksportu, Link) {
  const OpcjeEksportu o = ParsujOpcjeEksportu(
      {"korwendo://arch:5000/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z", "--pcm"});
  EXPECT_EQ(o.serwer, "arch:5000");
  EXPECT_EQ(o.stacja, "Radio Łódź");
  const std::vector<Przedzial> p = o.przedzialy.Wszystkie();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].begin, ParsujCzas("2026-12-10T08:00:00Z"));
  EXPECT_EQ(p[0].end, ParsujCzas("2026-12-10T08:10:00Z"));
  EXPECT_TRUE(o.pcm);

  const String link = "korwendo://h/Zegar?t=2026-12-10T08:00:00Z";
  struct {
    std::vector<String> argumenty;
    const char* tekst;
  } zle[] = {
      {{link}, "link potrzebuje jednego --to (0 --to)"},
      {{link, "--to", "2026-12-10T08:10:00Z", "--to", "2026-12-10T08:20:00Z"}, "link potrzebuje jednego --to (2 --to)"},
      {{link, "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"},
       "link zastępuje --server, --station i --from: podaj link albo te opcje"},
      {{link, "--server", "h", "--to", "2026-12-10T08:10:00Z"},
       "link zastępuje --server, --station i --from: podaj link albo te opcje"},
      {{link, "--station", "Zegar", "--to", "2026-12-10T08:10:00Z"},
       "link zastępuje --server, --station i --from: podaj link albo te opcje"},
      {{link, "--to", "2026-12-10T07:00:00Z"},
       "przedział 2026-12-10T08:00:00Z - 2026-12-10T07:00:00Z nie kończy się po swoim początku"},
      {{"korwendo://h/Zeg%ZZar?t=2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"},
       "zły link \"korwendo://h/Zeg%ZZar?t=2026-12-10T08:00:00Z\": zła sekwencja \"%ZZ\" (po % dwie cyfry szesnastkowe)"},
  };
  for (const auto& z : zle) {
    try {
      ParsujOpcjeEksportu(z.argumenty);
      ADD_FAILURE() << z.tekst << ": nothing raised";
    } catch (const UsageError& e) {
      EXPECT_EQ(e.Message(), z.tekst);
    }
  }
}

TEST(OpcjeEksportu, BadLinesAreUsageErrors) {
  const std::vector<std::vector<String>> tabela = {
      {"--station", "Zegar", "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"},
      {"--server", "h", "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"},
      {"--server", "h", "--station", "Zegar"},
      {"--server", "h", "--station", "Zegar", "--from", "2026-12-10T08:00:00Z"},
      {"--server", "h", "--station", "Zegar", "--from", "2026-12-10T08:10:00Z", "--to", "2026-12-10T08:00:00Z"},
      {"--server", "h", "--station", "Zegar", "--from", "wczoraj", "--to", "2026-12-10T08:00:00Z"},
      {"--server", "h:99999", "--station", "Zegar", "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z"},
      {"--server", "h", "--station", "Zegar", "--from", "2026-12-10T08:00:00Z", "--to", "2026-12-10T08:10:00Z", "--output", ""},
  };
  for (const auto& a : tabela) {
    String linia;
    for (const String& s : a) linia += s + " ";
    EXPECT_THROW(ParsujOpcjeEksportu(a), UsageError) << linia;
  }
}

// A station's name is a name: one holding "@" is refused (the server is --server's), as is
// one longer than a server takes; a file name that cannot fit in a directory is refused,
// and a long station's name is cut in the name proposed, before anything is asked.
TEST(OpcjeEksportu, StationAndFileNamesAreCheckedBeforeAsking) {
  const auto z = [](const String& stacja, std::vector<String> dodatkowe = {}) {
    std::vector<String> a = Podstawa();
    a[3] = stacja;
    a.insert(a.end(), dodatkowe.begin(), dodatkowe.end());
    return a;
  };
  const struct {
    std::vector<String> argumenty;
    const char* poczatek;
  } zle[] = {
      {z("x@127.0.0.2"), "znak @ w nazwie stacji \"x@127.0.0.2\" (--station; serwer podaje --server)"},
      {z(String(20000, 'x')), "nazwa stacji ma 20000 znaków, a serwer przyjmuje najwyżej 16320 \"xxx"},
      {z("a\x1b[2Jb"), "znak sterujący w nazwie stacji"},
      {z("Zegar", {"--output", "katalog/" + String(300, 'y')}), "za długa nazwa pliku \"katalog/yyy"},
  };
  for (const auto& k : zle) {
    try {
      ParsujOpcjeEksportu(k.argumenty);
      ADD_FAILURE() << k.poczatek << ": nothing raised";
    } catch (const UsageError& e) {
      EXPECT_EQ(e.Message().rfind(k.poczatek, 0), 0u) << e.Message().substr(0, 300);
      EXPECT_LT(e.Message().size(), 400u);
    }
  }
  // 600 bytes of a name: the file's name holds as much of it as fits, on whole letters.
  String dluga;
  for (int i = 0; i < 300; ++i) dluga += "\xC5\x82";
  const OpcjeEksportu o = ParsujOpcjeEksportu(z(dluga));
  EXPECT_EQ(o.stacja, dluga);
  const String nazwa = NazwaEksportu(o);
  EXPECT_LE(nazwa.size() + 9, 255u) << nazwa;
  EXPECT_GT(nazwa.size() + 9, 245u) << nazwa;
  EXPECT_EQ(nazwa.rfind("\xC5\x82\xC5\x82", 0), 0u);
  EXPECT_TRUE(nazwa.ends_with(Exporter::NazwaProponowana("", o.przedzialy))) << nazwa;
  EXPECT_EQ(NazwaEksportu(ParsujOpcjeEksportu(z("Zegar"))), Exporter::NazwaProponowana("Zegar", o.przedzialy));
}

}  // namespace
