#include "decoder/DekoderPCM.h"

void DekoderPCM::Write(const void* c, int n) { buffer.Write(c, n); }

String DekoderPCM::Info() { return "Korwendo PCM decoder"; }

String DekoderPCM::SupportedFormats() { return "PCM"; }

void DekoderPCM::Reset() { buffer.Reset(); }

int DekoderPCM::ReadAnyNonBlocking(void* c, int n) { return buffer.ReadAnyNonBlocking(c, n); }
