// The show's timeline: the eight sections in playing order, and the whole
// second of the show at which each gives way to the next. The end seconds
// are written here and nowhere else; each section learns its own from
// NewSection.
#pragma once

#include <cstdint>

class BaseSection;

inline constexpr int kSectionCount = 8;

// Class names, for messages and benchmark output.
inline constexpr const char* kSectionNames[kSectionCount] = {
    "topuz", "Titrek", "Shine", "Tunnel", "Arms", "Greets", "Uzun", "Noise"};

// The last one ends the show.
inline constexpr uint32_t kSectionEndSeconds[kSectionCount] = {
    27, 41, 82, 108, 137, 165, 219, 225};

// Constructs the section at `index` (0 = topuz ... 7 = Noise) with its end
// second; null past the end. Constructors create no device resources.
BaseSection* NewSection(int index);

// The whole second at which the section at `index` starts.
inline constexpr uint32_t SectionStartSecond(int index) {
  return index <= 0 ? 0 : kSectionEndSeconds[index - 1];
}
