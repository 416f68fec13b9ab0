#pragma once

#include <cstddef>
#include <vector>

// Schroeder/Moorer reverberator in the Freeverb layout: eight low-passed
// feedback combs in parallel, then four allpasses in series, per channel;
// the right channel's delays are 23 samples longer for width.
class Reverb {
 public:
  // room 0..1 sets the comb feedback (0.7 + 0.28 room), damp 0..1 the
  // low-pass inside the combs.
  Reverb(double room, double damp);

  // One mono input sample in, a stereo pair out.
  void Process(double input, double& left, double& right);

 private:
  struct Comb {
    std::vector<double> buffer;
    size_t index = 0;
    double store = 0.0;
  };
  struct Allpass {
    std::vector<double> buffer;
    size_t index = 0;
  };
  static double RunComb(Comb& comb, double input, double feedback, double damp);
  static double RunAllpass(Allpass& allpass, double input);

  Comb combs[2][8];
  Allpass allpasses[2][4];
  double feedback;
  double damping;
};
