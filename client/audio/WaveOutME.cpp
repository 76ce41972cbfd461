#include "audio/WaveOutME.h"

#include <cstring>

#include "audio/AudioOutputChoice.h"
#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"

WaveOutME::Buffer::Buffer() { KG_TRACE("WaveOutME::Buffer::Buffer()"); }

WaveOutME::Buffer::~Buffer() { KG_TRACE("WaveOutME::Buffer::~Buffer()"); }

void WaveOutME::Buffer::Prepare(WaveOutDevice*, int BufferSize) {
  KG_TRACE("WaveOutME::Buffer::Prepare(WaveOutDevice*, int BufferSize)");
  if (BufferSize < 0) KG_ASSERTION("BufferSize<0");
  memory = std::make_unique<char[]>(static_cast<size_t>(BufferSize));
  lpData = memory.get();
  dwBytesRecorded = static_cast<uint32_t>(BufferSize);
  dwBufferLength = 0;
  dwFlags.store(WHDR_PREPARED | WHDR_DONE, std::memory_order_release);
}

bool WaveOutME::Buffer::Done() const {
  KG_TRACE("WaveOutME::Buffer::Done()");
  return (dwFlags.load(std::memory_order_acquire) & WHDR_DONE) != 0;
}

WaveOutME::WaveOutME() = default;

WaveOutME::~WaveOutME() { Close(); }

void WaveOutME::SetEvent(EventAutomatic* e) { event = e; }

void WaveOutME::SetDevice(std::unique_ptr<WaveOutDevice> d) {
  if (Opened()) KG_ASSERTION("Opened()");
  device = std::move(d);
}

bool WaveOutME::Opened() const { return hwaveOut != nullptr; }

void WaveOutME::Open(AudioFormat f) {
  if (Opened()) KG_ASSERTION("Opened()");
  format = f;
  Log(0, "otwieram karte " + std::to_string(-1) + " " + f.GetString(), KG_WHERE);
  WAVEFORMATEX w;
  f.GetWaveFormat(w);
  if (event == nullptr) KG_ASSERTION("event==0");
  // 100 ms of whole sample frames; a stereo 16-bit frame is 4 bytes.
  int length = static_cast<int>(f.GetBytes(Roznica::Milisekunda * 100)) / 4 * 4;
  if (length < 4) length = 4;
  if (!device) device = MakeWaveOutDevice(CurrentAudioOutput());
  device->SetVolume(Volume());
  const int r = device->Open(w, length, event);
  if (r != 0) {
    Log(2, device->Name() + ": " + device->LastError(), KG_WHERE);
    if (r == WaveOutDevice::kAllocated) KG_ERROR("Urządzenie odtwarzające dzwięk jest zajęte");
    if (r == WaveOutDevice::kBadDeviceId) KG_ERROR("Nie ma urządzenia odtwarzającego dźwięk");
    KG_ERROR("Problem z urzadzeniem wyjsciowym (" + MultimediaErrorText(r) + ")");
  }
  hwaveOut = device.get();
  bufferLength = length;
  try {
    for (Buffer& b : buffers) b.Prepare(hwaveOut, bufferLength);
  } catch (...) {
    Close();
    throw;
  }
  breaks = -1;
  written = 0;
  activeBuffer = 0;
}

void WaveOutME::Close() {
  if (!Opened()) return;
  hwaveOut->Close();
  hwaveOut = nullptr;
}

void WaveOutME::Write(const void* c, int n) {
  if (n > bufferLength) KG_ASSERTION("n>bufferLength");
  if (!buffers[static_cast<size_t>(activeBuffer)].Done()) KG_ASSERTION("!buffers[activeBuffer].Done()");
  if (n > 0) std::memcpy(buffers[static_cast<size_t>(activeBuffer)].lpData, c, static_cast<size_t>(n));
  Submit(n);
}

char* WaveOutME::ActiveData() {
  if (!Opened()) return nullptr;
  Buffer& b = buffers[static_cast<size_t>(activeBuffer)];
  return b.Done() ? b.lpData : nullptr;
}

void WaveOutME::ApplyVolume() {
  const double v = Volume();
  if (hwaveOut != nullptr && hwaveOut->Volume() != v) hwaveOut->SetVolume(v);
}

void WaveOutME::Submit(int n) {
  Buffer& b = buffers[static_cast<size_t>(activeBuffer)];
  if (!b.Done()) KG_ASSERTION("!buffers[activeBuffer].Done()");
  if (!Opened()) KG_ASSERTION("!Opened()");
  if (n > bufferLength) KG_ASSERTION("n>bufferLength");
  if (n < 0) KG_ASSERTION("n<0");
  b.dwBufferLength = static_cast<uint32_t>(n);
  ApplyVolume();
  // A failed write leaves the buffer free: its audio is lost, nothing waits for it.
  hwaveOut->Write(&b);
  activeBuffer = (activeBuffer + 1) % kBuffers;
  if (buffers[static_cast<size_t>(activeBuffer)].Done()) {
    breaks += 1;
    if (breaks > 0) Log(1, "playing brak", KG_WHERE);
  }
  written += n;
}

void WaveOutME::Reset() {
  if (!Opened()) return;
  CheckMultimedia(hwaveOut->Reset(), "");
  written = 0;
  breaks = -1;
}

void WaveOutME::Pause() {
  KG_TRACE("WaveOutME::Pause()");
  if (!Opened()) return;
  CheckMultimedia(hwaveOut->Pause(), "");
}

void WaveOutME::Resume() {
  KG_TRACE("WaveOutME::Resume()");
  if (!Opened()) return;
  CheckMultimedia(hwaveOut->Restart(), "");
}

Roznica WaveOutME::GetPosition() {
  if (!Opened()) return Roznica();
  int64_t bytes = 0;
  CheckMultimedia(hwaveOut->GetPosition(&bytes), "");
  return format.GetDuration(bytes);
}

Roznica WaveOutME::GetWrittenDuration() {
  if (!Opened()) return Roznica();
  return format.GetDuration(written);
}

bool WaveOutME::IsPlaying() {
  if (!Opened()) return false;
  return !buffers[static_cast<size_t>((activeBuffer + kBuffers - 1) % kBuffers)].Done();
}
