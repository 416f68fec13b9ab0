#include "mastering.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>

#include "loudness_meter.h"
#include "random.h"
#include "song_clock.h"
#include "true_peak.h"

namespace {

constexpr double kFs = song_clock::kSampleRate;
constexpr size_t kLookAhead = 220;  // 5 ms
constexpr double kReleaseSeconds = 0.08;
constexpr int kLoudnessPasses = 6;
constexpr uint32_t kDitherPart = 90;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }
double GainToDb(double gain) { return 20.0 * std::log10(gain); }

}  // namespace

// Gain reduction in dB, held for the look-ahead (sliding maximum over the
// next 5 ms), released exponentially (80 ms), then averaged over 5 ms: the
// average window at a peak only sees values held from that peak, so the
// reduction there is at least what the peak needs, and it ramps in
// smoothly over the 5 ms before it.
std::vector<float> Mastering::LimiterGain(const std::vector<float>& peaks,
                                          double staticGain, double ceiling) {
  const size_t n = peaks.size();
  std::vector<double> need(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    double peak = double(peaks[i]) * staticGain;
    if (peak > ceiling) need[i] = GainToDb(peak / ceiling);
  }
  // Sliding maximum over [i, i + kLookAhead) with a monotonic deque.
  std::vector<double> held(n, 0.0);
  std::deque<size_t> window;
  for (size_t j = 0; j < n + kLookAhead; ++j) {
    if (j < n) {
      while (!window.empty() && need[window.back()] <= need[j])
        window.pop_back();
      window.push_back(j);
    }
    if (j + 1 >= kLookAhead) {
      size_t i = j + 1 - kLookAhead;
      if (i >= n) break;
      while (window.front() < i) window.pop_front();
      held[i] = need[window.front()];
    }
  }
  const double release = std::exp(-1.0 / (kReleaseSeconds * kFs));
  double state = 0.0;
  for (size_t i = 0; i < n; ++i) {
    state = std::max(held[i], state * release);
    held[i] = state;
  }
  // Before the first sample the window repeats held[0], which already
  // covers every peak of the first 5 ms.
  std::vector<float> gain(n, 1.0f);
  double sum = n ? double(kLookAhead) * held[0] : 0.0;
  for (size_t i = 0; i < n; ++i) {
    sum += held[i];
    sum -= i >= kLookAhead ? held[i - kLookAhead] : held[0];
    double reduction = sum / double(kLookAhead);
    // The running sum can leave a rounding residue; below 1e-9 dB it is 0.
    if (reduction > 1e-9) gain[i] = float(DbToGain(-reduction));
  }
  return gain;
}

Mastering::Result Mastering::Process(const StereoBuffer& mix, int64_t fadeStart,
                                     int64_t fadeEnd) {
  const size_t n = mix.size();
  StereoBuffer faded = mix;
  for (size_t i = 0; i < n; ++i) {
    int64_t s = int64_t(i);
    if (s < fadeStart) continue;
    double x = std::clamp(double(s - fadeStart) / double(fadeEnd - fadeStart),
                          0.0, 1.0);
    double fade = 0.5 + 0.5 * std::cos(std::numbers::pi * x);
    faded.left[i] = float(faded.left[i] * fade);
    faded.right[i] = float(faded.right[i] * fade);
  }

  Result result;
  const std::vector<float> peaks = TruePeak::Envelope(faded.left, faded.right);
  double gainDb =
      kMasterLufs - LoudnessMeter::IntegratedLufs(faded.left, faded.right, kFs);
  double ceiling = DbToGain(kCeilingDbtp);
  StereoBuffer out(n);
  // The limiter takes a little loudness away; a few passes settle the
  // static gain so that the limited song meets the target.
  for (int pass = 0; pass < kLoudnessPasses; ++pass) {
    double staticGain = DbToGain(gainDb);
    std::vector<float> gain = LimiterGain(peaks, staticGain, ceiling);
    for (size_t i = 0; i < n; ++i) {
      double g = staticGain * double(gain[i]);
      out.left[i] = float(faded.left[i] * g);
      out.right[i] = float(faded.right[i] * g);
    }
    double measured = LoudnessMeter::IntegratedLufs(out.left, out.right, kFs);
    result.loudnessLufs = measured;
    if (std::abs(measured - kMasterLufs) < 0.02) break;
    gainDb += kMasterLufs - measured;
  }
  result.gainDb = gainDb;

  // TPDF dither of +-1 LSB, except where the song has faded to silence.
  Random random(Random::Seed(kDitherPart, 0));
  result.pcm.resize(2 * n);
  StereoBuffer quantized(n);
  for (size_t i = 0; i < n; ++i) {
    float* channels[2] = {&out.left[i], &out.right[i]};
    for (int c = 0; c < 2; ++c) {
      double x = double(*channels[c]) * 32768.0;
      double dither = 0.0;
      if (int64_t(i) < fadeEnd) {
        double a = random.Unit();  // two draws in a fixed order
        dither = a - random.Unit();
      }
      double q = std::clamp(std::nearbyint(x + dither), -32768.0, 32767.0);
      result.pcm[2 * i + size_t(c)] = int16_t(q);
      (c == 0 ? quantized.left : quantized.right)[i] = float(q / 32768.0);
    }
  }
  result.truePeakDbtp =
      GainToDb(TruePeak::Max(quantized.left, quantized.right));
  return result;
}
