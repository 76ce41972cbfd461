#pragma once
// The crash report: the file the executable's full path followed by ".debug.log" (or, when
// that directory is not writable, the same name in the log directory), to which a fatal
// signal writes the signal, a backtrace and the call-trace chain of the thread that got
// it, and to which the window's handler of unexpected exceptions writes its report.
//
// Threads: installed once on the main thread before others start; the signal handler runs
// on whichever thread faults; ZapiszRaportAwarii is called by the GUI thread only.
#include "core/String.h"

// The report file for the executable at `sciezkaProgramu`: sciezkaProgramu + ".debug.log"
// when its directory is writable, else katalogLogow + "/" + its file name + ".debug.log".
String PlikRaportu(const String& sciezkaProgramu, const String& katalogLogow);
// Chooses the file for this process (/proc/self/exe) and installs the handlers of SIGSEGV,
// SIGBUS, SIGFPE, SIGILL and SIGABRT, on a stack of their own; each writes its report and
// then lets the signal end the process as it would have.
void InstalujRaportAwarii(const String& katalogLogow);
// The file chosen; empty before InstalujRaportAwarii.
String PlikRaportuAwarii();
// Appends a dated report to the file; a failure to write is logged, never raised.
void ZapiszRaportAwarii(const String& tekst);
