#pragma once
// A packet: a type name, a version and a payload made by the serialization archive. It is
// also a byte sink: bytes received from a connection are written into it and parsed phase
// by phase until one whole packet is complete; bytes beyond that packet stay buffered for
// the next one. The same object, reset, reads packet after packet from one connection.
//
// This base form travels as the tag "paczka", Wersja, the name and the payload (the wire
// layout of Paczka2 without its description). The client sends and accepts only Paczka2;
// the base form is kept for the layout and the operations that both share.
//
// Texts: Nazwa is UTF-8 inside the program and Windows-1250 on the wire, and so is the
// payload of a "String" packet (UstawString, DajString).
//
// One thread at a time: a receiving packet belongs to the thread that reads its
// connection; packets built for sending are built, sent and dropped on one thread.
#include <cstdint>

#include "core/CyclicBuffer.h"
#include "core/String.h"
#include "core/Writable.h"
#include "transport/Core.h"

class IReadAnyNonBlocking;
class Transportable;

class Paczka : public Writable {
 public:
  // The longest name or description accepted from the wire or sent: 64 KiB of
  // Windows-1250 bytes. Type names are a few letters; descriptions are short commands.
  static constexpr int MaksTekst = 64 * 1024;

  // Fresh: empty name, version 1, empty payload, phase 0, nothing buffered.
  Paczka();
  ~Paczka() override;

  // Appends n received bytes (n may be 0) to the buffer and parses as far as they allow,
  // completing at most one packet: the bytes after a complete packet are parsed at the
  // next Write. Raises the errors of Parse(); after such an error the connection is
  // unusable and its owner drops it.
  void Write(const void* c, int n) override;
  // Advances the phases as far as the buffered bytes allow (see Paczka2.h for the
  // failures).
  virtual void Parse();
  // The 6 bytes that open the packet on the wire: "paczka".
  virtual String Magic() const;
  // Appends the whole packet in wire form to m.
  virtual void WriteTo(Core& m) const;

  // The text packet: Nazwa = "String", Wersja = 1, the payload becomes the Windows-1250
  // bytes of s (no length, no terminator), phase 0. The description stays as it was.
  void UstawString(const String& s);
  // The text of a complete "String" packet, as UTF-8. Raises "!Skonczyl()" on a packet
  // that is not complete and "Nazwa!=\"String\"" on one of another type.
  String DajString() const;
  // Nazwa = t.Name(), Wersja = t.Version(), the payload = t written by its lsa, phase 0.
  // The description stays as it was.
  void Wstaw(Transportable& t);
  // Reads t from the payload of a complete packet by its lsa. Raises "!Skonczyl()",
  // "Nazwa!=t.Name()" or "Wersja!=t.Version()", leaving t untouched, when the packet is not
  // complete or is not t's. A payload too short for t raises the Core::ReadAt error with t
  // partly filled (the caller discards it); bytes that t does not read are ignored.
  void Wyjmij(Transportable& t) const;

  // Encodes the packet into one buffer sized to it in advance and hands it to w.Write in
  // one call, so that the sender's own calls never split a packet. Raises (writing
  // nothing) when a text or the payload is longer than a receiver accepts.
  void Wyslij(Writable& w) const;
  // The most bytes taken from a source in one read call: large enough that an export's
  // megabytes come in few calls, small enough for the stack.
  static constexpr int kOdczyt = 65536;
  // Reads from r, at most kOdczyt bytes per call, until r has nothing more at the moment or a
  // packet is complete; returns Skonczyl(). At most one packet completes per call: the
  // caller takes it out and calls again until false comes back. A packet already whole in
  // the bytes read before comes out without reading, so the bytes held beyond the packet
  // being read never exceed one read.
  bool Wczytaj(IReadAnyNonBlocking& r);

  // True when a whole packet has been received.
  bool Skonczyl() const { return faza == -1; }
  // The share of the payload received, in percent: 0 before the payload size is known
  // (and on a complete packet), 100 once the payload is in or when it is empty.
  int Postep() const;
  // The largest payload accepted from the wire by this packet (at most, and by default,
  // IniBase::MaksDlugosc): a receiver that knows its peer sends far less refuses more
  // before buffering it. Raises for a value outside 0..IniBase::MaksDlugosc.
  void UstawMaksDanych(int n);
  int MaksDanych() const { return maksDanych; }
  // The largest whole packet accepted from the wire, tag, lengths, name, payload and
  // description together (no bound by default): a receiver that knows the largest packet
  // its peer sends refuses a longer one as soon as a length read makes it longer, before
  // its bytes are buffered. Raises for a negative value.
  void UstawMaksPaczki(std::int64_t n);
  std::int64_t MaksPaczki() const { return maksPaczki; }

  // Forgets the buffered bytes and starts again at phase 0 with version 1, for a new
  // connection. Name, payload and description stay until the next packet overwrites them.
  void Reset();

  // 0..6 while receiving (see Paczka2.h), -1 when a whole packet has been received.
  int Faza() const { return faza; }
  // Bytes received and not yet consumed by the parser.
  int Buforowane() const { return bufor.Size(); }

  String Nazwa;
  int Wersja = 1;
  Core core;

 protected:
  // The phases shared by both forms: tag (0), version and name length (1), name and
  // payload size (2), payload (3), ending in phase 4.
  void ParseNaglowekIDane();
  // The whole packet's size on the wire; raises when a text or the payload is longer
  // than a receiver accepts.
  virtual std::int64_t RozmiarNaLaczu() const;
  // The wire size of the tag, version, name and payload, with the same checks.
  std::int64_t RozmiarNaglowkaIDanych() const;

  // Little-endian 32-bit integers on the wire.
  static std::int32_t Int32(const unsigned char* b);
  static void DopiszInt32(Core& m, std::int32_t v);
  // Raises a clear error for a text or payload length out of 0..maks, naming `co`.
  static void SprawdzDlugosc(const char* co, std::int64_t n, std::int64_t maks);
  // The packet being received takes at least n bytes on the wire: raises "Paczka: paczka
  // dłuższa niż <maksPaczki> bajtów (co najmniej <n>)" when that is beyond MaksPaczki().
  void SprawdzPaczke(std::int64_t n) const;
  // The wire size of the tag, version, name and payload of the packet being received, as
  // their lengths were read (from phase 3 on).
  std::int64_t OdebranyNaglowekIDane() const { return std::int64_t{6} + 8 + dlugoscNazwy + 4 + rozmiarDanych; }

  int faza = 0;
  CyclicBuffer bufor;

 private:
  // The name's and the payload's lengths as read from the wire (phases 1 and 2).
  int dlugoscNazwy = 0;
  int rozmiarDanych = 0;
  int maksDanych;
  std::int64_t maksPaczki;
};
