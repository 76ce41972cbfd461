#pragma once
// One RIFF chunk being written into a file: it remembers where its 4-byte size field lies
// and rewrites it on demand with the number of bytes that follow that field up to the
// current end of the file. The outer "RIFF" chunk begins its data with a 4-byte form type
// ("WAVE"), which its size counts like any other byte after the field.
//
// States: new -> created (holds the file) -> closed (the file forgotten). Misuse raises
// the assertion form: Create on a chunk that holds a file ("plik!=0"), an id that is not
// 4 characters ("id.Length()!=4"), Update without a file ("plik==0"). One thread at a time.
#include <cstdint>

#include "core/Plik.h"
#include "core/String.h"

class Chunk2 {
 public:
  // No file, no position.
  Chunk2();
  Chunk2(const Chunk2&) = delete;
  Chunk2& operator=(const Chunk2&) = delete;
  // A chunk destroyed while it still holds its file is a misuse: the assertion "plik" is
  // logged (a destructor cannot raise), and the file keeps the size of the last Update.
  ~Chunk2();

  // Starts an ordinary chunk at the file's current position (its end): the 4 characters
  // of id, then a size of 0. The file is not owned and must outlive the chunk's use.
  void Create(Plik* plik, const String& id);
  // Starts the outer chunk: "RIFF", a size of 0, then the 4 characters of the form type id.
  void CreateRiff(Plik* plik, const String& id);
  // Writes the chunk's size (the bytes from after its size field to the current position)
  // into the size field, and returns to that position. Raises "plik==0" without a file,
  // and "size>0xFFFFFFFF" for a size that a RIFF size field cannot hold (nothing written).
  void Update();
  // Update(), then forgets the file.
  void Close();
  // Forgets the file without writing: for a writer giving up on a file after a failure.
  void Porzuc() { plik = nullptr; }

  // The file offset of the size field; -1 before Create.
  int64_t Position() const { return position; }
  bool IsOpen() const { return plik != nullptr; }

 private:
  void Start(Plik* p, const String& id);

  int64_t position = -1;
  Plik* plik = nullptr;
  bool riff = false;
};
