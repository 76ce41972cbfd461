#pragma once
// Texts of system and multimedia error codes, and the check of a multimedia result.
// Thread-safe.
#include "core/String.h"

// The system's message text for an errno value; "No Error" for 0; the empty text for a
// code the system has no message for.
String SystemErrorText(int code);

// The fixed text of a multimedia result code; "nieznany błąd: " + code for others.
String MultimediaErrorText(int code);

// Does nothing when `result` is 0; otherwise raises `what` + MultimediaErrorText(result)
// with the location suffix once.
void CheckMultimediaAt(int result, const String& what, const char* file, int line);
#define CheckMultimedia(result, what) ::CheckMultimediaAt((result), (what), __FILE__, __LINE__)

// "Wersja: " + the four-part project version + " (" + build date + " " + build time + ")",
// the date as the compiler writes it ("Dec 11 2026"), for logs.
String VersionText();
// The four-part project version alone.
String VersionNumber();
// When this program was built, in the building machine's local time.
struct BuildMoment {
  int year, month, day, hour, minute, second;
};
BuildMoment BuildTime();
