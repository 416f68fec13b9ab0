// The show's timeline: the eight sections in playing order.
#pragma once

#include <cstdint>

class BaseSection;

constexpr int kSectionCount = 8;

// Class names, for messages and benchmark output.
extern const char* const kSectionNames[kSectionCount];
// The whole second of the show at which each section gives way to the next;
// the last one ends the show.
extern const uint32_t kSectionEndSeconds[kSectionCount];

// Constructs the section at `index` (0 = topuz ... 7 = Noise). Constructors
// create no device resources.
BaseSection* NewSection(int index);

// The whole second at which the section at `index` starts.
inline uint32_t SectionStartSecond(int index) {
  return index <= 0 ? 0 : kSectionEndSeconds[index - 1];
}
