#pragma once

#include <vector>

#include "score.h"

// What one note renders: samples from the note's start on. Mono voices fill
// `left` only and leave panning to the mixer.
struct VoiceOutput {
  std::vector<double> left, right;
  bool stereo = false;

  void Reset(size_t samples, bool isStereo) {
    stereo = isStereo;
    left.assign(samples, 0.0);
    right.assign(isStereo ? samples : 0, 0.0);
  }
};

// Drums and hits (drums.cpp).
void RenderKick(const Note& note, VoiceOutput& out);
void RenderSnare(const Note& note, VoiceOutput& out);
void RenderClap(const Note& note, VoiceOutput& out);
void RenderClosedHat(const Note& note, VoiceOutput& out);
void RenderOpenHat(const Note& note, VoiceOutput& out);
void RenderCrash(const Note& note, VoiceOutput& out);
void RenderImpact(const Note& note, VoiceOutput& out);

// Pitched voices (synths.cpp).
void RenderBass(const Note& note, VoiceOutput& out);
void RenderSub(const Note& note, VoiceOutput& out);
void RenderPad(const Note& note, VoiceOutput& out);
void RenderArp(const Note& note, VoiceOutput& out);
void RenderLead(const Note& note, VoiceOutput& out, double cutoffHz);
void RenderBell(const Note& note, VoiceOutput& out);

// Noise sweeps (sweeps.cpp).
void RenderRiser(const Note& note, VoiceOutput& out);
void RenderNoiseBurst(const Note& note, VoiceOutput& out);
