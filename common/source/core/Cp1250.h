#pragma once
// Conversion between the program's UTF-8 text and the Windows-1250 bytes of the wire and
// the ini files (Polish letters, the euro sign and the other characters of that code
// page). Thread-safe: each thread converts with its own converters.
#include "core/String.h"

// UTF-8 text to Windows-1250 bytes. A character that Windows-1250 lacks becomes one "?";
// every byte that is not part of well-formed UTF-8 becomes one "?" as well, so that any
// input converts. The C1 controls U+0081, U+0083, U+0088, U+0090 and U+0098 become the
// five bytes that Windows-1250 leaves unassigned (see FromCp1250).
String ToCp1250(const String& utf8);

// Windows-1250 bytes to UTF-8 text. Every byte has a character: the five unassigned
// bytes 0x81, 0x83, 0x88, 0x90 and 0x98 become the C1 controls of the same number, so
// that ToCp1250(FromCp1250(b)) == b for any bytes b.
String FromCp1250(const String& cp1250);
