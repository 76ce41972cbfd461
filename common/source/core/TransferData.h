#pragma once
// Moves up to n bytes from r to w through a 16384-byte buffer on the stack, stopping
// as soon as r has nothing more. n = 2147483647 means everything available now.
#include "core/IReadAnyNonBlocking.h"
#include "core/Writable.h"

void TransferData(Writable& w, IReadAnyNonBlocking& r, int n);
