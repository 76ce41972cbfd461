#include "export/Exporter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "transport/Protokol.h"

namespace {

bool KonczySieNa(const String& s, const String& koniec) {
  if (koniec.empty() || s.size() < koniec.size()) return false;
  return std::equal(koniec.begin(), koniec.end(), s.end() - static_cast<std::ptrdiff_t>(koniec.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                    });
}

String Katalog(const String& plik) {
  const size_t k = plik.rfind('/');
  if (k == String::npos) return ".";
  return k == 0 ? String("/") : plik.substr(0, k);
}

}  // namespace

class Exporter::WyjscieWav : public Writable {
 public:
  // Opens the first file at once.
  WyjscieWav(Exporter& e, AudioFormat f) : exporter(e), format(std::move(f)) { Nastepny(); }

  void Write(const void* c, int n) override {
    const char* p = static_cast<const char*>(c);
    while (n > 0) {
      if (!plik) Nastepny();
      const int64_t blok = std::max<int64_t>(plik->Format().nBlockAlign, 1);
      int64_t miejsce = std::min(plik->Miejsce(), exporter.maksWav - plik->DataBytes());
      miejsce -= miejsce % blok;
      if (miejsce <= 0) {
        Stop();
        continue;
      }
      const int k = static_cast<int>(std::min<int64_t>(miejsce, n));
      plik->Write(p, k);
      p += k;
      n -= k;
    }
  }

  // Finishes the open file; the next Write starts another.
  void Stop() {
    if (!plik) return;
    const std::unique_ptr<WavWriter3> w = std::move(plik);
    w->Stop();
  }

 private:
  void Nastepny() {
    const String nazwa = exporter.NextFileName(".wav");
    plik = std::make_unique<WavWriter3>(nazwa, format);
    exporter.pliki.push_back(nazwa);
  }

  Exporter& exporter;
  AudioFormat format;
  std::unique_ptr<WavWriter3> plik;
};

Exporter::Exporter(KanalEksportu* k, int64_t m) : kanal(k), maksWav(m) {
  KG_TRACE("Exporter::Exporter(KanalEksportu *k,int64_t m)");
}

Exporter::~Exporter() {
  try {
    Finish();
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
}

String Exporter::NazwaProponowana(const String& stacja, const Przedzialy& przedzialy) {
  KG_TRACE("Exporter::NazwaProponowana(const String &stacja,const Przedzialy &przedzialy)");
  String s = stacja + " " + przedzialy.Begin().FormatujWzorem("d mmmm yyyy hh_nn_ss");
  // The name is a file in the chosen directory, whatever the station is called.
  for (char& c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) c = '_';
  }
  return s;
}

bool Exporter::Start(Przedzialy& przedzialy, DialogZapisu& dialog) {
  KG_TRACE("Exporter::Start(Przedzialy &przedzialy,DialogZapisu &dialog)");
  if (exporting) return true;
  const std::optional<DialogZapisu::Wybor> wybor = dialog.Pokaz(NazwaProponowana(kanal->DajStacje(), przedzialy));
  if (!wybor) return false;
  dialog.UstawKatalog(Katalog(wybor->plik));
  nazwa = wybor->plik;
  pcm = wybor->pcm;
  licznik = 0;
  pliki.clear();
  Paczka2 p(przedzialy, protokol::kOpisEksport);
  kanal->Wyslij(p);
  exporting = true;
  return true;
}

std::vector<String> Exporter::IstniejacePliki(const String& nazwa, bool pcm) {
  KG_TRACE("Exporter::IstniejacePliki(const String &nazwa,bool pcm)");
  std::vector<String> wynik;
  const std::filesystem::path sciezka(nazwa);
  std::filesystem::path katalog = sciezka.parent_path();
  if (katalog.empty()) katalog = ".";
  std::error_code blad;
  for (const char* rozszerzenie : {".mp3", ".wav"}) {
    if (pcm && String(rozszerzenie) == ".mp3") continue;
    const String r = rozszerzenie;
    const bool ma = KonczySieNa(nazwa, r);
    const String plik = sciezka.filename().string();
    const String baza = ma ? plik.substr(0, plik.size() - r.size()) : plik;
    const String koniec = ma ? plik.substr(baza.size()) : r;
    // The first file has no number; the later ones 2, 3, ... (any that exists is taken).
    for (std::filesystem::directory_iterator i(katalog, blad), e; !blad && i != e; i.increment(blad)) {
      const String n = i->path().filename().string();
      if (n.size() < baza.size() + koniec.size() || n.compare(0, baza.size(), baza) != 0 ||
          n.compare(n.size() - koniec.size(), koniec.size(), koniec) != 0) {
        continue;
      }
      const String numer = n.substr(baza.size(), n.size() - baza.size() - koniec.size());
      const bool liczba = numer.empty() || (numer.size() < 10 && numer[0] != '0' && numer != "1" &&
                                            numer.find_first_not_of("0123456789") == String::npos);
      if (!liczba) continue;
      const String pelna = (sciezka.parent_path() / n).string();
      if (std::find(wynik.begin(), wynik.end(), pelna) == wynik.end()) wynik.push_back(pelna);
    }
  }
  std::sort(wynik.begin(), wynik.end());
  return wynik;
}

String Exporter::NextFileName(const String& rozszerzenie) {
  KG_TRACE("Exporter::NextFileName(const String &rozszerzenie)");
  ++licznik;
  // "show.wav" typed for a WAV file is that file, not "show.wav.wav", in the user's own
  // spelling of the extension; its second file is "show2.wav".
  const bool ma = KonczySieNa(nazwa, rozszerzenie);
  const String baza = ma ? nazwa.substr(0, nazwa.size() - rozszerzenie.size()) : nazwa;
  const String koniec = ma ? nazwa.substr(baza.size()) : rozszerzenie;
  return (licznik == 1 ? baza : baza + std::to_string(licznik)) + koniec;
}

void Exporter::Otworz(const String& rozszerzenie, const std::optional<AudioFormat>& f) {
  if (f) {
    wav = std::make_unique<WyjscieWav>(*this, *f);
    output = wav.get();
    formatPliku = f->GetString();
  } else {
    const String n = NextFileName(rozszerzenie);
    auto p = std::make_unique<Plik>(n);
    p->Create();
    pliki.push_back(n);
    mp3 = std::move(p);
    output = mp3.get();
    formatPliku.clear();
  }
}

void Exporter::Zamknij() {
  output = nullptr;
  if (wav) {
    const std::unique_ptr<WyjscieWav> w = std::move(wav);
    w->Stop();
  }
  if (mp3) {
    const std::unique_ptr<Plik> p = std::move(mp3);
    p->Close();
  }
}

void Exporter::AddPacket(PaczkaAudio& p) {
  KG_TRACE("Exporter::AddPacket(PaczkaAudio &p)");
  if (pcm) {
    const AudioFormat wejscie(p.format);
    // Compared as printed, so that two spellings of one format are one format.
    if (output != nullptr && dekoder.InFormat().GetString() != wejscie.GetString()) Zamknij();
    if (output == nullptr) {
      dekoder.SetFormat(wejscie);
      // The decoder keeps the output format of the format that made it while the
      // compression word stays, though a new sampling rate or channel count comes out of
      // it: the file is described by what this format decodes to.
      AudioFormat wyjscie = wejscie;
      wyjscie.Decompress();
      Otworz(".wav", ValidAudioFormat(wyjscie.GetString()));
    }
    if (p.dane.Size() > 0) dekoder.Write(p.dane.Data(), p.dane.Size());
    // All the packet's PCM in one write: each write of the file patches its header too.
    size_t n = 0;
    for (;;) {
      if (pcmBufor.size() - n < 16384) pcmBufor.resize(std::max<size_t>(pcmBufor.size() * 2, 65536));
      const int k = dekoder.ReadAnyNonBlocking(pcmBufor.data() + n, static_cast<int>(pcmBufor.size() - n));
      if (k <= 0) break;
      n += static_cast<size_t>(k);
    }
    if (n > 0) output->Write(pcmBufor.data(), static_cast<int>(n));
    return;
  }

  const AudioFormat f(p.format);
  const String kompresja = f.GetCompression();
  if (kompresja != "MPEG1" && kompresja != "PCM") {
    Log(2, "nieznany format " + p.format, KG_WHERE);
    return;
  }
  // Another kind of audio, or PCM that the open WAV file's header does not describe,
  // would make the file unplayable from there on: it goes into the next file.
  if (output != nullptr && (kompresja != kompresjaPliku || (kompresja == "PCM" && f.GetString() != formatPliku))) {
    Zamknij();
  }
  if (output == nullptr) {
    if (kompresja == "MPEG1") Otworz(".mp3", std::nullopt);
    else Otworz(".wav", ValidAudioFormat(p.format));
    kompresjaPliku = kompresja;
  }
  if (p.dane.Size() > 0) output->Write(p.dane.Data(), p.dane.Size());
}

void Exporter::Finish() {
  KG_TRACE("Exporter::Finish()");
  exporting = false;
  Zamknij();
}
