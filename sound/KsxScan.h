#pragma once
// The scan of a file for the sound dumps it holds: back to back as a ".ksx" file has them, or
// among other bytes, as the events of a Standard MIDI File.

#include "sound/ByteReader.h"
#include "sound/StoringRules.h"

namespace soundfile
{
// Every dump of the file, in file order, into `dumps`. May throw std::bad_alloc.
void scanFile (ByteReader& in, DumpCollector& dumps);
} // namespace soundfile
