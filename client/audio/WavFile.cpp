#include "WavFile.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "Exception.h"

namespace {

// RIFF sizes are 32-bit; the RIFF size counts 36 header bytes and a pad byte besides the data.
constexpr int64_t kMaxData = 0xFFFFFFFFLL - 37;

void Put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

void WriteAt(int fd, const unsigned char* bytes, size_t n, off_t at) {
  size_t done = 0;
  while (done < n) {
    const ssize_t k = pwrite(fd, bytes + done, n - done, at + static_cast<off_t>(done));
    if (k < 0 && errno == EINTR) continue;
    KG_SYSCHECK(k > 0);
    done += static_cast<size_t>(k);
  }
}

}  // namespace

void WavFile::Header(const WAVEFORMATEX& f, uint32_t data, unsigned char out[44]) {
  std::memcpy(out, "RIFF", 4);
  Put32(out + 4, 36 + data + (data & 1));
  std::memcpy(out + 8, "WAVEfmt ", 8);
  Put32(out + 16, 16);
  Put16(out + 20, f.wFormatTag);
  Put16(out + 22, f.nChannels);
  Put32(out + 24, f.nSamplesPerSec);
  Put32(out + 28, f.nAvgBytesPerSec);
  Put16(out + 32, f.nBlockAlign);
  Put16(out + 34, f.wBitsPerSample);
  std::memcpy(out + 36, "data", 4);
  Put32(out + 40, data);
}

WavFile::WavFile(const String& p, const WAVEFORMATEX& f) : path(p), format(f) {
  fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  KG_SYSCHECK(fd >= 0);
  unsigned char header[44];
  Header(format, 0, header);
  try {
    WriteAt(fd, header, sizeof header, 0);
  } catch (...) {
    ::close(fd);
    fd = -1;
    throw;
  }
}

WavFile::~WavFile() {
  try {
    Close();
  } catch (const Exception&) {
    // A destructor cannot report; the file keeps the sizes of its last append.
  }
}

void WavFile::Append(const void* data, int n) {
  if (fd < 0 || n <= 0) return;
  if (dataBytes + n > kMaxData) n = static_cast<int>(kMaxData - dataBytes);
  if (n <= 0) return;
  WriteAt(fd, static_cast<const unsigned char*>(data), static_cast<size_t>(n), static_cast<off_t>(44 + dataBytes));
  dataBytes += n;
  FixSizes();
}

void WavFile::FixSizes() {
  unsigned char header[44];
  Header(format, static_cast<uint32_t>(dataBytes), header);
  WriteAt(fd, header + 4, 4, 4);
  WriteAt(fd, header + 40, 4, 40);
}

void WavFile::Close() {
  if (fd < 0) return;
  const int closing = fd;
  fd = -1;
  try {
    if (dataBytes & 1) {
      const unsigned char pad = 0;
      WriteAt(closing, &pad, 1, static_cast<off_t>(44 + dataBytes));
    }
    unsigned char header[44];
    Header(format, static_cast<uint32_t>(dataBytes), header);
    WriteAt(closing, header, sizeof header, 0);
  } catch (...) {
    ::close(closing);
    throw;
  }
  KG_SYSCHECK(::close(closing) == 0);
}
