#include "ducker.h"

#include <algorithm>
#include <cmath>

Ducker::Ducker(const std::vector<Note>& kicks, double depth, double sampleRate)
    : depth(depth), sampleRate(sampleRate) {
  for (const Note& kick : kicks) starts.push_back(kick.start);
}

double Ducker::Next(int64_t sample) {
  while (next < starts.size() && starts[next] <= sample) last = starts[next++];
  if (last < 0) return 1.0;
  double t = double(sample - last) / sampleRate;
  if (t > 0.8) return 1.0;
  double ramp = std::min(1.0, t / 0.003);
  return 1.0 - depth * ramp * std::exp(-t / 0.1);
}
