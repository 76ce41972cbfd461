#include "mpeg/FiltrMp3.h"

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "mpeg/Mp3Header.h"

void FiltrMp3::Write(const void* c, int n) {
  KG_TRACE("FiltrMp3::Write(const void* c, int n)");
  buffer.Write(c, n);
}

void FiltrMp3::Reset() {
  KG_TRACE("FiltrMp3::Reset()");
  buffer.Reset();
}

int FiltrMp3::ReadAnyNonBlocking(void* c, int n) {
  KG_TRACE("FiltrMp3::ReadAnyNonBlocking(void *c, int n)");
  Mp3Header header;
  const int r = header.Find(buffer);
  if (r == -1) {
    if (buffer.Size() > 10000) {
      Log(1, "no frames found, flushing", KG_WHERE);
      buffer.Reset();
    }
    return 0;
  }
  if (r > 0) {
    Log(1, "skipping " + std::to_string(r) + " bytes", KG_WHERE);
    if (buffer.Size() < r) KG_ASSERTION("buffer.Size()<r");
    buffer.Skip(r);
  }
  const int len = header.FrameLength();
  if (n < len) KG_ERROR("buffer too small, needed " + std::to_string(len));
  buffer.Read(c, len);
  return len;
}
