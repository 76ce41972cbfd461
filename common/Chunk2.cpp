#include "common/Chunk2.h"

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"

namespace {

void Zapisz32(Plik& p, uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  p.Write(b, 4);
}

}  // namespace

Chunk2::Chunk2() { KG_TRACE("Chunk2::Chunk2()"); }

Chunk2::~Chunk2() {
  if (plik == nullptr) return;
  try {
    KG_ASSERTION("plik");
  } catch (const Exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
}

void Chunk2::Start(Plik* p, const String& id) {
  if (plik != nullptr) KG_ASSERTION("plik!=0");
  if (id.size() != 4) KG_ASSERTION("id.Length()!=4");
  KG_ASSERT(p != nullptr);
  plik = p;
}

void Chunk2::Create(Plik* p, const String& id) {
  KG_TRACE("Chunk2::Create(Plik* p, const String& id)");
  Start(p, id);
  riff = false;
  plik->Write(id.data(), 4);
  position = plik->Tell();
  Zapisz32(*plik, 0);
}

void Chunk2::CreateRiff(Plik* p, const String& id) {
  KG_TRACE("Chunk2::CreateRiff(Plik* p, const String& id)");
  Start(p, id);
  riff = true;
  plik->Write("RIFF", 4);
  position = plik->Tell();
  Zapisz32(*plik, 0);
  plik->Write(id.data(), 4);
}

void Chunk2::Update() {
  KG_TRACE("Chunk2::Update()");
  if (plik == nullptr) KG_ASSERTION("plik==0");
  const int64_t koniec = plik->Tell();
  const int64_t rozmiar = koniec - position - 4;
  if (rozmiar > 0xFFFFFFFFLL) KG_ASSERTION("size>0xFFFFFFFF");
  plik->Seek(position);
  Zapisz32(*plik, static_cast<uint32_t>(rozmiar));
  plik->Seek(koniec);
}

void Chunk2::Close() {
  KG_TRACE("Chunk2::Close()");
  Update();
  plik = nullptr;
}
