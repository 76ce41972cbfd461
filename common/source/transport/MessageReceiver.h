#pragma once
// Messages of the message thread: the record delivered to a receiver, the fixed message
// numbers of the loop, and the socket notifications with their packing into lParam.
#include <cstdint>

// A posted message: its number and two parameters whose meaning is the number's owner's.
struct MSG {
  int message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// Message numbers below WM_USER and above 0x7FFF are not the loop's and are dropped.
// WM_USER stops the loop; WM_USER + 1 makes the loop create its notification target.
constexpr int WM_USER = 1024;

// Socket notifications, delivered as lParam = event | (error << 16).
constexpr int FD_READ = 1;
constexpr int FD_WRITE = 2;
constexpr int FD_CONNECT = 16;
constexpr int FD_CLOSE = 32;

constexpr intptr_t MakeSelectReply(int event, int error) {
  return static_cast<intptr_t>(event) | (static_cast<intptr_t>(error) << 16);
}
// The notification of a socket message (low word of lParam).
constexpr int SelectEvent(intptr_t lParam) { return static_cast<int>(lParam & 0xFFFF); }
// Its error code, an errno value, 0 when all is well (high word of lParam).
constexpr int SelectError(intptr_t lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }

// An object that owns message numbers of a MessageThread.
class MessageReceiver {
 public:
  // Called on the message thread, under its dispatch lock, with a message addressed to
  // one of this receiver's numbers. An exception that escapes is logged by the thread.
  virtual void OnMessage(MSG& m) = 0;
  virtual ~MessageReceiver() = default;
};
