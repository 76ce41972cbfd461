#pragma once
// The tests' reader of a RIFF/WAVE file written by the program: its chunks, the format
// record, where the samples lie and whether the header's sizes match the file. Header-only;
// never part of the program.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct WavNaglowek {
  bool riff = false;            // "RIFF" .. "WAVE"
  uint32_t riffSize = 0;
  std::vector<std::string> chunki;  // ids in file order
  uint16_t tag = 0, kanaly = 0, bity = 0, blok = 0, cbSize = 0;
  uint32_t fmtSize = 0, rate = 0, bajtyNaSekunde = 0;
  int64_t daneOd = -1;          // offset of the samples
  uint32_t daneSize = 0;
  int64_t dlugosc = 0;          // the file's length
  std::string bajty;            // the whole file

  // The sizes agree with the file: RIFF size = length - 8, the data reach its end.
  bool Spojny() const {
    return riff && daneOd >= 0 && riffSize == static_cast<uint64_t>(dlugosc - 8) &&
           daneOd + static_cast<int64_t>(daneSize) == dlugosc;
  }
  // The samples, as written.
  std::string Dane() const { return daneOd < 0 ? std::string() : bajty.substr(static_cast<size_t>(daneOd), daneSize); }

  static uint32_t U16(const std::string& b, size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8);
  }
  static uint32_t U32(const std::string& b, size_t i) { return U16(b, i) | U16(b, i + 2) << 16; }

  static WavNaglowek Czytaj(const std::string& sciezka) {
    WavNaglowek w;
    std::ifstream f(sciezka, std::ios::binary);
    w.bajty.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    const std::string& b = w.bajty;
    w.dlugosc = static_cast<int64_t>(b.size());
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return w;
    w.riff = true;
    w.riffSize = U32(b, 4);
    for (size_t i = 12; i + 8 <= b.size();) {
      const std::string id = b.substr(i, 4);
      const uint32_t n = U32(b, i + 4);
      w.chunki.push_back(id);
      if (id == "fmt " && i + 8 + 16 <= b.size()) {
        w.fmtSize = n;
        w.tag = static_cast<uint16_t>(U16(b, i + 8));
        w.kanaly = static_cast<uint16_t>(U16(b, i + 10));
        w.rate = U32(b, i + 12);
        w.bajtyNaSekunde = U32(b, i + 16);
        w.blok = static_cast<uint16_t>(U16(b, i + 20));
        w.bity = static_cast<uint16_t>(U16(b, i + 22));
        if (n >= 18 && i + 8 + 18 <= b.size()) w.cbSize = static_cast<uint16_t>(U16(b, i + 24));
      } else if (id == "data") {
        w.daneOd = static_cast<int64_t>(i + 8);
        w.daneSize = n;
        break;
      }
      i += 8 + n + (n & 1);
    }
    return w;
  }
};
