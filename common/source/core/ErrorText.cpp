#include "core/ErrorText.h"

#include <cstring>
#include <utility>

#include "core/Exception.h"

String SystemErrorText(int code) {
  if (code == 0) return "No Error";
  char buffer[256];
  // The GNU variant returns a pointer that may or may not be the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  if (text == nullptr) return String();
  const String result(text);
  // glibc answers unknown codes with "Unknown error N": the system has no message then.
  if (result.rfind("Unknown error", 0) == 0) return String();
  return result;
}

String MultimediaErrorText(int code) {
  static const std::pair<int, const char*> kTexts[] = {
      {0, " no error "},
      {1, " unspecified error "},
      {2, " device ID out of range "},
      {3, " driver failed enable "},
      {4, " device already allocated "},
      {5, " device handle is invalid "},
      {6, " no device driver present "},
      {7, " memory allocation error "},
      {8, " function isn't supported "},
      {9, " error value out of range "},
      {10, " invalid flag passed "},
      {11, " invalid parameter passed "},
      {12, " handle being used  simultaneously on another  thread (eg callback) "},
      {13, " specified alias not found "},
      {14, " bad registry database "},
      {15, " registry key not found "},
      {16, " registry read error "},
      {17, " registry write error "},
      {18, " registry delete error "},
      {19, " registry value not found "},
      {20, " driver does not call DriverCallback "},
      {32, " unsupported wave format "},
      {33, " still something playing "},
      {34, " header not prepared "},
      {35, " device is synchronous "},
      {257, " file not found "},
      {258, " out of memory "},
      {259, " cannot open "},
      {260, " cannot close "},
      {261, " cannot read "},
      {262, " cannot write "},
      {263, " cannot seek "},
      {264, " cannot expand file "},
      {265, " chunk not found "},
      {266, " MMIOERR_UNBUFFERED "},
      {267, " path incorrect "},
      {268, " file was protected "},
      {269, " file in use "},
      {270, " network not responding "},
      {271, " no more file handles  "},
      {272, " default error file error "},
      {512, " The requested operation cannot be performed "},
      {513, " The stream header specified in pash is currently in use and cannot be unprepared "},
      {514, " The stream header specified in pash is currently not prepared by the acmStreamPrepareHeader function "},
      {515, " The user chose the Cancel button or the Close command on the System menu to close the dialog box "},
      {1024, " MIXERR_INVALLINE "},
      {1025, " The control reference is invalid."},
      {1026, " MIXERR_INVALVALUE "},
  };
  for (const auto& [known, text] : kTexts) {
    if (known == code) return text;
  }
  return "nieznany błąd: " + std::to_string(code);
}

void CheckMultimediaAt(int result, const String& what, const char* file, int line) {
  if (result == 0) return;
  RaiseError(what + MultimediaErrorText(result), file, line);
}

#ifndef KG_VERSION_TEXT
#define KG_VERSION_TEXT "0.0.0.0"
#endif

String VersionText() {
  return String("Wersja: ") + KG_VERSION_TEXT + " (" + __DATE__ + " " + __TIME__ + ")";
}

String VersionNumber() { return KG_VERSION_TEXT; }

BuildMoment BuildTime() {
  // __DATE__ is "Mmm dd yyyy" (the day padded with a space), __TIME__ "hh:mm:ss".
  static const char* const months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const String date = __DATE__;
  const String time = __TIME__;
  BuildMoment m{};
  m.month = static_cast<int>(String(months).find(date.substr(0, 3)) / 3) + 1;
  m.day = std::stoi(date.substr(4, 2));
  m.year = std::stoi(date.substr(7, 4));
  m.hour = std::stoi(time.substr(0, 2));
  m.minute = std::stoi(time.substr(3, 2));
  m.second = std::stoi(time.substr(6, 2));
  return m;
}
