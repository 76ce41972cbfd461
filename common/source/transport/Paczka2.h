#pragma once
// The packet the client sends and accepts on every connection: a Paczka with a free-text
// description (Opis) that tells the receiver what to do with it ("export", the vocabulary
// of the receiving side; empty for commands and for audio to be played).
//
// On the wire, all integers 32-bit signed little-endian, texts Windows-1250 without
// terminator (UTF-8 inside the program):
//   0       6  the tag "paczk2"
//   6       4  Wersja
//   10      4  N, the length of Nazwa
//   14      N  Nazwa
//   14+N    4  P, the payload size
//   18+N    P  the payload
//   18+N+P  4  D, the length of Opis
//   22+N+P  D  Opis
// Packets follow each other with nothing between them; there is no checksum, overall
// length or end marker.
//
// Receiving phases: 0 waiting for the tag, 1 for the version and N, 2 for the name and P,
// 3 for the payload, 4 for D, 5 for the description; -1 when the packet is complete, and
// back to 0 at the next Write. A packet built for sending (UstawString, Wstaw) is in phase
// 0 and not complete.
//
// Untrusted input: the lengths are checked as soon as they are read, before anything is
// allocated or consumed, and a refused one raises a clear error (the connection's owner
// drops the connection; the packet raises again at every Write until Reset()):
//   - N and D: 0 .. MaksTekst (64 KiB);
//   - P: 0 .. MaksDanych(), IniBase::MaksDlugosc (64 MiB) unless the receiver lowered it;
//     a negative P raises "s<0";
//   - the whole packet: 0 .. MaksPaczki(), unbounded unless the receiver set it, checked
//     as each length is read (after N, after P and after D).
// A wrong tag raises "id=<6 bytes>!=paczk2, poczatek pakietu:<up to 20 bytes>" with the
// location suffix once, after consuming the tag, 8 more bytes and the quoted ones; when
// fewer than 8 bytes follow the tag, the buffer's own error for a short read is raised
// instead. There is no resynchronisation. The payload is not allocated until all of it
// has arrived, so a header alone cannot make the packet reserve memory.
//
// One thread at a time (see Paczka).
#include "transport/Paczka.h"

class Paczka2 : public Paczka {
 public:
  // Fresh, for receiving: empty name and description, version 1, phase 0.
  Paczka2();
  // A text packet: UstawString(s), with an empty description.
  explicit Paczka2(const String& s);
  // A text packet with the description `opis`.
  Paczka2(const String& s, const String& opis);
  // Wstaw(t), then Opis = opis.
  Paczka2(Transportable& t, const String& opis);

  // As Paczka::Write, for the layout with the description.
  void Write(const void* c, int n) override;
  void Parse() override;
  // "paczk2".
  String Magic() const override;
  void WriteTo(Core& m) const override;

  String Opis;

 protected:
  std::int64_t RozmiarNaLaczu() const override;

 private:
  // The description's length as read from the wire (phase 4).
  int dlugoscOpisu = 0;
};
