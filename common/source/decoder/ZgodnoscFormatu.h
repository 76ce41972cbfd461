#pragma once
// Whether encoded audio agrees with the format text that comes with it. A server states
// the format of every audio packet; the decoder and the sound card are set up from that
// text, while the decoded samples follow the bytes. A text that lies (a rate or a channel
// count other than the frames', a PCM bit rate that is not its rate x channels x 16) would
// put samples of one shape into a card opened for another: such audio is refused before it
// is played. A pure function of its arguments: any thread.
#include "common/AudioFormat.h"
#include "core/String.h"

// Empty when the n bytes at `dane` agree with f, as far as they show it; otherwise the
// reason, in Polish, naming the format text and what the bytes are. For "MPEG1": every
// frame confirmed by the header of the frame after it (or reached by a chain of such
// frames) must have f's sampling rate and channel count; bytes without a confirmed frame
// say nothing and agree. For "PCM": the bit rate must be the rate x channels x 16 bits (to
// the kilobit the text is written in) and n a multiple of a sample frame (channels x 2
// bytes). Any other compression word, or an invalid f, agrees (others refuse those).
String NiezgodnoscZFormatem(const AudioFormat& f, const void* dane, int n);
