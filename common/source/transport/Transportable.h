#pragma once
// An object that travels in packets and describes its own bytes in one operation, lsa,
// which both writes and reads it: the same sequence of field operations runs against an
// archive in write mode or in read mode, so encoder and decoder cannot drift apart.
// Thread safety is each implementation's own.
#include "core/String.h"

class IniBase;

class Transportable {
 public:
  // The type name that labels the object's packets.
  virtual String Name() = 0;
  // The encoding version; 1 unless a class changes its layout.
  virtual int Version() { return 1; }
  // Moves the fields through f, in a fixed order, in the direction of f's mode. Reading
  // from a short or malformed archive raises; the object is then left partly filled and
  // the caller discards it.
  virtual void lsa(IniBase& f) = 0;
  virtual ~Transportable() = default;
};
