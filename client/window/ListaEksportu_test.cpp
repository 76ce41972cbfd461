// The export list and its export through the recording view: the "Od"/"Do" marks, the
// list and the window's height, the export's states, gauge and remaining time.
#include <gtest/gtest.h>

#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

TEST_F(Okno, OdDoIListaEksportu) {
  // "Do" before "Od": refused.
  widok.czasOsi = Utc(2026, 12, 10, 9, 0);
  logika->Eksport().OznaczDo();
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->Eksport().OznaczOd();
  logika->Eksport().DodajOdDo();
  EXPECT_EQ(widok.dymek, "\"Do\" musi być później niż \"Od\"");
  EXPECT_EQ(logika->Eksport().DoEksportu().Count(), 0);

  widok.czasOsi = Utc(2026, 12, 10, 9, 0);
  logika->Eksport().OznaczOd();
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->Eksport().OznaczDo();
  EXPECT_TRUE(widok.Bylo("podpowiedz od " + Utc(2026, 12, 10, 9, 0).Napis()));
  logika->Eksport().DodajOdDo();
  EXPECT_EQ(widok.tekstEksportu, "10/gru/2026 10:00:00 - 10/gru/2026 10:05:00\r\n");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 9, 4), Utc(2026, 12, 10, 9, 10));
  EXPECT_EQ(widok.tekstEksportu, "10/gru/2026 10:00:00 - 10/gru/2026 10:10:00\r\n");

  logika->Eksport().IdzDoOd();
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex());
  logika->Eksport().GrajZEksportu(0);
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex());

  // Removing the only interval hides the list and shrinks the window.
  logika->Eksport().UsunZEksportu(0);
  EXPECT_FALSE(widok.listaEksportu);
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokosc);
}

TEST_F(Okno, SamoDoDajePrzedzialOdZera) {
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->Eksport().OznaczDo();
  logika->Eksport().DodajOdDo();
  ASSERT_EQ(logika->Eksport().DoEksportu().Count(), 1);
  EXPECT_EQ(logika->Eksport().DoEksportu()[0].begin, Czas(0));
}

TEST_F(Okno, StanyEksportu) {
  logika->Eksport().Eksportuj();
  EXPECT_EQ(widok.dymek, "Lista przedziałów do eksportu jest pusta");

  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  eksporter.zgoda = false;  // the user cancels the dialog
  logika->Eksport().Eksportuj();
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_FALSE(widok.pasek);

  eksporter.zgoda = true;
  logika->Eksport().Eksportuj();
  EXPECT_EQ(widok.przyciskEksportu, "Przerwij eksport");
  EXPECT_TRUE(widok.pasek);
  EXPECT_EQ(widok.maksimum, 600);
  EXPECT_FALSE(widok.pozostaly);

  // A packet shorter than a second shows the label but computes nothing yet.
  Paczka2 pol = Eksport(0);
  player.Wrzuc(pol);
  logika->Tick();
  EXPECT_TRUE(widok.pozostaly);
  EXPECT_EQ(widok.tekstPozostalego, "");

  // 150 s received 30 s after the first packet: 90 s remain.
  teraz += Roznica::Sekunda * 30;
  player.Wrzuc(Eksport(150));
  logika->Tick();
  EXPECT_EQ(widok.pozycja, 150);
  EXPECT_EQ(widok.tekstPozostalego, "0:01:30");
  // The gauge names the file being written, by its name alone.
  EXPECT_EQ(widok.plikEksportu, "fala.wav");

  // Clearing the list during the export keeps the height; aborting only asks the server.
  logika->Eksport().CzyscListe();
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  logika->Eksport().Eksportuj();
  EXPECT_EQ(player.zapis.back(), "wyslij przerwijeksport");
  EXPECT_TRUE(widok.pasek);

  logika->Process("koniecexportu");
  EXPECT_EQ(eksporter.konczy, 1);
  EXPECT_FALSE(widok.pasek);
  EXPECT_FALSE(widok.pozostaly);
  // Stopped by the user: not "finished", and the file kept named.
  EXPECT_EQ(widok.dymek, "Eksport przerwany; zapisano: /tmp/fala.wav");
  EXPECT_EQ(widok.folder, "/tmp/fala.wav");
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokosc);

  // The next export that runs to its end says so, naming its file.
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Eksport().Eksportuj();
  EXPECT_EQ(widok.folder, "");  // the offer goes while the next export runs
  logika->Process("koniecexportu");
  EXPECT_EQ(widok.dymek, "Eksport zakończony: /tmp/fala.wav");
  EXPECT_EQ(widok.folder, "/tmp/fala.wav");
}

TEST_F(Okno, KoniecEksportuZNiepustaListaZostawiaWysokosc) {
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Process("koniecexportu");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
}

}  // namespace
