#pragma once
// The bytes of unfinished packets that the connections of one server may hold, shared
// fairly among the peer addresses, so that no party can make the server refuse anyone else.
//
// Each connection holds its first `wolne` bytes (what a command needs) outside the shared
// pool: a command is always taken, however full the pool. What a connection holds beyond
// them (only an export request may be that large) comes out of the pool of `pula` bytes.
// When the pool would be passed, the address that holds the most of it gives way: the
// connection that grew, when it is that address's (the others' packets stay whole), else
// its connection holding the most; and again until the pool fits. So a party, from
// however many connections, crowds out only itself once the pool is full, and an address
// that holds less of it than some other never loses what it holds. In all, the connections
// hold at most pula + wolne for each connection.
//
// A connection counts by the most it held since its buffer was last fresh (what the
// buffer's storage is sized by), as Klient::Trzymane() tells it.
//
// Used by the server's loop thread only.
#include <cstdint>
#include <map>
#include <vector>

#include "core/String.h"

namespace serwer {

class BudzetWejscia {
 public:
  BudzetWejscia(int64_t p, int64_t w) : pula(p), wolne(w) {}

  // Connection `polaczenie` of the peer address `adres` now holds `n` bytes. Returns the
  // connections that must be dropped so that the pool is not passed, `polaczenie` itself
  // among them when its address holds the most; each is forgotten already (as by Usun).
  std::vector<int> Ustaw(int polaczenie, const String& adres, int64_t n);
  // The connection ended: what it held is free.
  void Usun(int polaczenie);

  // All the bytes the connections hold, their free parts included.
  int64_t Razem() const { return razem; }
  // The part of the pool held now, and by one address.
  int64_t ZPuli() const { return zPuli; }
  int64_t ZPuli(const String& adres) const;

 private:
  struct Trzymane {
    String adres;
    int64_t n = 0;
  };
  int64_t Nadwyzka(int64_t n) const { return n > wolne ? n - wolne : 0; }
  void Zmien(int polaczenie, Trzymane& t, int64_t n);

  const int64_t pula;
  const int64_t wolne;
  int64_t razem = 0;
  int64_t zPuli = 0;
  std::map<int, Trzymane> polaczenia;
  std::map<String, int64_t> adresy;  // each address's part of the pool, when not 0
};

}  // namespace serwer
