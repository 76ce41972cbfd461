#include "archive/MpegEncoder.h"

#include <lame/lame.h>
#include <twolame.h>

#include <vector>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "mpeg/Mp3Header.h"

namespace {
// Room the libraries ask for: 1.25 x samples + 7200 bytes.
int Miejsce(int ile) { return ile + ile / 4 + 7200; }
}  // namespace

void MpegEncoder::Koduj(const int16_t* pcm, int ile, std::string& ramki) {
  KG_TRACE("MpegEncoder::Koduj(const int16_t *pcm, int ile, std::string &ramki)");
  if (ile <= 0) return;
  if (!Enkoduj(pcm, ile, bufor)) KG_ERROR("błąd enkodera MPEG");
  Rozdziel(ramki);
}

void MpegEncoder::Zakoncz(std::string& ramki) {
  KG_TRACE("MpegEncoder::Zakoncz(std::string &ramki)");
  if (!Oproznij(bufor)) KG_ERROR("błąd enkodera MPEG");
  Rozdziel(ramki);
}

void MpegEncoder::Rozdziel(std::string& ramki) {
  size_t p = 0;
  while (bufor.size() - p >= 4) {
    const Mp3Header h = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(bufor.data() + p));
    if (!h.IsValid()) KG_ERROR("enkoder MPEG wydał coś innego niż ramkę");
    const size_t dlugosc = static_cast<size_t>(h.FrameLength());
    if (bufor.size() - p < dlugosc) break;
    ramki.append(bufor, p, dlugosc);
    p += dlugosc;
  }
  bufor.erase(0, p);
}

LameEncoder::LameEncoder(int czestotliwosc, int k, int kbps, int jakosc) : MpegEncoder(k), gf(lame_init()) {
  KG_TRACE("LameEncoder::LameEncoder(int czestotliwosc, int k, int kbps, int jakosc)");
  if (gf == nullptr) KG_ERROR("lame: brak pamięci");
  lame_set_in_samplerate(gf, czestotliwosc);
  lame_set_out_samplerate(gf, czestotliwosc);
  lame_set_num_channels(gf, k);
  lame_set_mode(gf, k == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(gf, kbps);
  lame_set_quality(gf, jakosc);
  lame_set_bWriteVbrTag(gf, 0);
  lame_set_write_id3tag_automatic(gf, 0);
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    KG_ERROR("lame: błędne parametry");
  }
}

LameEncoder::~LameEncoder() { lame_close(gf); }

// The decoder's own delay (528 samples of the synthesis filter bank and one more) comes on
// top of the encoder's.
int LameEncoder::Opoznienie() const { return lame_get_encoder_delay(gf) + 529; }

int LameEncoder::ProbekWRamce() const { return lame_get_framesize(gf); }

bool LameEncoder::Enkoduj(const int16_t* pcm, int ile, std::string& bajty) {
  std::vector<unsigned char> out(static_cast<size_t>(Miejsce(ile)));
  int n;
  if (Kanaly() == 2) {
    n = lame_encode_buffer_interleaved(gf, const_cast<short*>(pcm), ile, out.data(), static_cast<int>(out.size()));
  } else {
    n = lame_encode_buffer(gf, pcm, pcm, ile, out.data(), static_cast<int>(out.size()));
  }
  if (n < 0) return false;
  bajty.append(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
  return true;
}

bool LameEncoder::Oproznij(std::string& bajty) {
  std::vector<unsigned char> out(7200 * 2);
  const int n = lame_encode_flush(gf, out.data(), static_cast<int>(out.size()));
  if (n < 0) return false;
  bajty.append(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
  return true;
}

TwolameEncoder::TwolameEncoder(int czestotliwosc, int k, int kbps) : MpegEncoder(k), opts(twolame_init()) {
  KG_TRACE("TwolameEncoder::TwolameEncoder(int czestotliwosc, int k, int kbps)");
  if (opts == nullptr) KG_ERROR("twolame: brak pamięci");
  twolame_set_in_samplerate(opts, czestotliwosc);
  twolame_set_out_samplerate(opts, czestotliwosc);
  twolame_set_num_channels(opts, k);
  twolame_set_mode(opts, k == 1 ? TWOLAME_MONO : TWOLAME_STEREO);
  twolame_set_version(opts, czestotliwosc >= 32000 ? TWOLAME_MPEG1 : TWOLAME_MPEG2);
  twolame_set_bitrate(opts, kbps);
  if (twolame_init_params(opts) != 0) {
    twolame_close(&opts);
    KG_ERROR("twolame: błędne parametry");
  }
}

TwolameEncoder::~TwolameEncoder() { twolame_close(&opts); }

// Measured: a click fed to libtwolame comes out of libmpg123 481 samples later.
int TwolameEncoder::Opoznienie() const { return 481; }

bool TwolameEncoder::Enkoduj(const int16_t* pcm, int ile, std::string& bajty) {
  std::vector<unsigned char> out(static_cast<size_t>(Miejsce(ile)) + 16384);
  int n;
  if (Kanaly() == 2) {
    n = twolame_encode_buffer_interleaved(opts, pcm, ile, out.data(), static_cast<int>(out.size()));
  } else {
    n = twolame_encode_buffer(opts, pcm, pcm, ile, out.data(), static_cast<int>(out.size()));
  }
  if (n < 0) return false;
  bajty.append(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
  return true;
}

bool TwolameEncoder::Oproznij(std::string& bajty) {
  std::vector<unsigned char> out(16384);
  const int n = twolame_encode_flush(opts, out.data(), static_cast<int>(out.size()));
  if (n < 0) return false;
  bajty.append(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
  return true;
}
