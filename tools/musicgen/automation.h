#pragma once

// Filter movements that span many notes, as functions of song time in
// seconds (the arrangement's automation lanes).
namespace automation {

// Cutoff of the pad's low-pass: closed in the intro until the title appears
// at 13.5 s, rising before the drop at 108 s, falling in the last section.
double PadCutoffHz(double seconds);

// Multiplier on the arp's filter: the breakdown's rise into 108 s and the
// closing fall.
double ArpBrightness(double seconds);

// Gain on the sounds that ring on after their notes (the pad bus and the
// reverb and echo returns): 1, except in the silent last beat of the build
// (40.5-41 s), where they are gated off so the drop hits out of silence.
double TailGain(double seconds);

}  // namespace automation
