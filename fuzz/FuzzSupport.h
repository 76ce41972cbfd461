#pragma once
// What the fuzz targets share: a scope that keeps the call chain from growing, and every
// Transportable of the protocol, made fresh. The packet parser takes each complete packet
// out into the types that bear its name, and the archive target decodes arbitrary
// payloads into each of them.
#include <functional>
#include <memory>
#include <vector>

#include "common/BazaZintegrowana.h"
#include "common/PaczkaAudio.h"
#include "common/TypMarkerow.h"
#include "common/Update.h"
#include "core/CallTrace.h"
#include "intervals/Przedzialy.h"
#include "intervals/PrzedzialyAudio.h"
#include "intervals/PrzedzialyID.h"
#include "intervals/WieloWiecznosc.h"
#include "transport/Transportable.h"

namespace fuzz {

// One input's traced calls: an exception leaves the entries of the functions it passed
// on the thread's call chain (for the failure's log), and a connection's owner cuts the
// chain back once it has handled the failure; so does each input of a fuzz target, or
// the chain would grow for the whole run.
using TraceScope = TraceDepthScope;

// New types go at the end, so that the numbers the seed corpora use keep their meaning.
using Fabryka = std::function<std::unique_ptr<Transportable>()>;

inline const std::vector<Fabryka>& ProtocolTypes() {
  static const std::vector<Fabryka> types = {
      [] { return std::make_unique<PaczkaAudio>(); },
      [] { return std::make_unique<Przedzialy>(); },
      [] { return std::make_unique<PrzedzialyAudio>(); },
      [] { return std::make_unique<PrzedzialyID>(); },
      [] { return std::make_unique<WieloWiecznosc>(); },
      [] { return std::make_unique<BazaZintegrowana>(); },
      [] { return std::make_unique<Update<TypMarkerow>>(); },
      [] { return std::make_unique<Update<Przedzialy>>(); },
      [] { return std::make_unique<Update<BazaZintegrowana>>(); },
  };
  return types;
}

}  // namespace fuzz
