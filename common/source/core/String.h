#pragma once
// Text inside the program: UTF-8 bytes with a length. Conversion to the Windows-1250 bytes
// of the wire and of the ini files happens only at those boundaries (see Cp1250.h).
#include <string>

using String = std::string;
using Tekst = String;
