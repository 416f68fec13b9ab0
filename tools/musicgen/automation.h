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

}  // namespace automation
