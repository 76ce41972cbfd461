#include "archive/AnalizaCiszy.h"

#include <algorithm>
#include <memory>

#include "archive/ArchiveInternals.h"
#include "archive/ArchiveReader.h"
#include "archive/DetektorCiszy.h"
#include "common/AudioFormat.h"
#include "core/CallTrace.h"
#include "decoder/Mpg123State.h"

namespace {

// How much audio a probe judges: a few windows.
const Roznica kProbka = Roznica::Milisekunda * 50;
// A stretch that reaches this near a span's end reaches the end.
const Roznica kStyk = Roznica::Milisekunda * 20;

// The first of the samples (at `rate`, sample 0 at 0) that play at or after d.
int64_t PierwszaOd(Roznica d, int rate) {
  if (d.Wartosc() <= 0) return 0;
  const Int128 x = static_cast<Int128>(d.Wartosc()) * rate;
  return static_cast<int64_t>((x + 9'999'999) / 10'000'000);
}

bool Stop(const std::atomic<bool>* przerwij) { return przerwij != nullptr && przerwij->load(std::memory_order_relaxed); }

}  // namespace

AnalizaCiszy::AnalizaCiszy(const Archive& a, UstawieniaCiszy ust) : archiwum(a), u(ust) {}

bool AnalizaCiszy::Dekoduj(Czas od, Czas do_, int blok, DetektorCiszy& d, const std::atomic<bool>* przerwij) {
  ArchiveReader r(archiwum);
  r.Seek(od, true);
  ArchiveReader::Blok b;
  std::unique_ptr<Mpg123State> mpeg;
  String format;
  bool pcm = false;
  int rate = 0;
  int kanaly = 0;
  Czas t0;              // where the decoder's output begins
  int64_t wyjscie = 0;  // samples it put out since
  Czas zdekodowaneDo = od;
  std::vector<int16_t> ramka(Mpg123State::kMinimumOutput * 2);
  // Hands the samples that lie in [od, do_) to the detector.
  const auto podaj = [&](const int16_t* p, int64_t n, int czest, int kan, Czas t) {
    zdekodowane += static_cast<double>(n) / czest;
    const Czas koniec = t + Roznica(Tiki(n, czest));
    zdekodowaneDo = std::max(zdekodowaneDo, koniec);
    const int64_t a = PierwszaOd(od - t, czest);
    const int64_t z = std::min(n, PierwszaOd(do_ - t, czest));
    if (z > a) d.Dodaj(p + a * kan, z - a, czest, kan, t + Roznica(Tiki(a, czest)));
  };
  while (zdekodowaneDo < do_) {
    if (Stop(przerwij)) return false;
    if (!r.Czytaj(blok, b)) break;
    if (b.czas >= do_ && !mpeg) break;
    if (b.format != format || b.przerwa) {
      // A new stream: another format, or audio after a gap, decoded afresh.
      format = b.format;
      const AudioFormat f(format);
      pcm = f.GetCompression() == "PCM";
      rate = static_cast<int>(f.GetSps());
      kanaly = f.GetChannels();
      mpeg.reset();
      if (!pcm) mpeg = std::make_unique<Mpg123State>();
      t0 = b.czas;
      wyjscie = 0;
    }
    if (pcm) {
      const int64_t n = static_cast<int64_t>(b.dane.size()) / (2 * kanaly);
      podaj(reinterpret_cast<const int16_t*>(b.dane.data()), n, rate, kanaly, b.czas);
      continue;
    }
    int zrobione = 0;
    int w = mpeg->Decode(b.dane.data(), static_cast<int>(b.dane.size()), ramka.data(),
                         static_cast<int>(ramka.size() * sizeof(int16_t)), &zrobione);
    while (w == Mpg123State::kFrame) {
      long czest = 0;
      int kan = 0;
      mpeg->Format(&czest, &kan);
      if (czest > 0 && kan > 0) {
        const int64_t n = zrobione / (2 * kan);
        podaj(ramka.data(), n, static_cast<int>(czest), kan, t0 + Roznica(Tiki(wyjscie, static_cast<int>(czest))));
        wyjscie += n;
      }
      w = mpeg->Decode(nullptr, 0, ramka.data(), static_cast<int>(ramka.size() * sizeof(int16_t)), &zrobione);
    }
    if (w == Mpg123State::kError) {
      // Bytes the decoder cannot take: it starts again with the next block.
      format.clear();
      mpeg.reset();
    }
  }
  d.Zakoncz();
  return true;
}

std::optional<std::vector<ZakresCzasu>> AnalizaCiszy::Calosc(Czas od, Czas do_, const std::atomic<bool>* przerwij) {
  DetektorCiszy d(u.progDbfs);
  if (!Dekoduj(od, do_, 64 * 1024, d, przerwij)) return std::nullopt;
  return d.Cisze();
}

std::optional<bool> AnalizaCiszy::Probka(Czas t, const std::atomic<bool>* przerwij) {
  DetektorCiszy d(u.progDbfs);
  if (!Dekoduj(t, t + kProbka, 2048, d, przerwij)) return std::nullopt;
  const auto& c = d.Cisze();
  return c.size() == 1 && c[0].poczatek - t <= Roznica::Milisekunda && c[0].koniec == d.Koniec() &&
         d.Koniec() - t >= kProbka - Roznica::Milisekunda;
}

std::optional<std::vector<ZakresCzasu>> AnalizaCiszy::Analizuj(Czas od, Czas do_, const std::atomic<bool>* przerwij) {
  KG_TRACE("AnalizaCiszy::Analizuj(Czas od, Czas do_, const std::atomic<bool>* przerwij)");
  std::vector<ZakresCzasu> znalezione;
  if (do_ <= od) return znalezione;
  const Roznica krok = std::max(u.minimalna / 4, kProbka * 4);
  if (do_ - od <= krok * 6) {
    auto c = Calosc(od, do_, przerwij);
    if (!c) return std::nullopt;
    znalezione = std::move(*c);
  } else {
    std::vector<Czas> probki;
    for (Czas t = od; t + kProbka < do_; t += krok) probki.push_back(t);
    probki.push_back(do_ - kProbka);
    std::vector<bool> cicha(probki.size());
    for (size_t i = 0; i < probki.size(); ++i) {
      const auto c = Probka(probki[i], przerwij);
      if (!c) return std::nullopt;
      cicha[i] = *c;
    }
    for (size_t i = 0; i < probki.size();) {
      if (!cicha[i]) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j + 1 < probki.size() && cicha[j + 1]) ++j;
      const bool brzeg = i == 0 || j + 1 == probki.size();
      if (j > i || brzeg) {
        // From the loud probe before to the loud probe after: the stretch lies between.
        const Czas a = i == 0 ? od : probki[i - 1];
        const Czas z = j + 1 == probki.size() ? do_ : std::min(do_, probki[j + 1] + kProbka);
        auto c = Calosc(a, z, przerwij);
        if (!c) return std::nullopt;
        znalezione.insert(znalezione.end(), c->begin(), c->end());
      }
      i = j + 1;
    }
  }
  std::vector<ZakresCzasu> wynik;
  for (ZakresCzasu c : znalezione) {
    if (c.poczatek - od <= kStyk) c.poczatek = od;
    if (do_ - c.koniec <= kStyk) c.koniec = do_;
    const bool brzeg = c.poczatek == od || c.koniec == do_;
    if (!brzeg && c.koniec - c.poczatek < u.minimalna) continue;
    if (!wynik.empty() && c.poczatek <= wynik.back().koniec) {
      wynik.back().koniec = std::max(wynik.back().koniec, c.koniec);
    } else {
      wynik.push_back(c);
    }
  }
  return wynik;
}
