#pragma once
// The memory archive: an IniBase whose bytes live in a Core that it does not own. It
// carries the payload of every packet. Writing appends at the end of the block; reading
// starts at the block's first byte, and reading past the end raises the Core::ReadAt
// error ("a=... n=... a+n=... l=..."), which is how a short or malformed payload fails.
// One thread at a time; the block must outlive the archive.
#include <cstdint>

#include "transport/Core.h"
#include "transport/IniBase.h"

class IniCore : public IniBase {
 public:
  // mode 1 (write): the block is emptied first (size 0); mode 0 (read): the block is
  // left as it is.
  IniCore(Core& c, int mode);

  // core.InsertAt(position, c, n), then position += n.
  void Write(const char* c, int n) override;
  // core.ReadAt(position, c, n), then position += n.
  void Read(char* c, int n) override;
  // In read mode, the bytes of the block after the position.
  std::int64_t Pozostalo() override;

  int Position() const { return position; }

 private:
  Core& core;
  int position = 0;
};
