#include "ping_pong_delay.h"

PingPongDelay::PingPongDelay(size_t delaySamples, double feedback,
                             double sampleRate)
    : lineLeft(delaySamples, 0.0),
      lineRight(delaySamples, 0.0),
      feedback(feedback) {
  dampLeft.SetCutoff(3500.0, sampleRate);
  dampRight.SetCutoff(3500.0, sampleRate);
}

void PingPongDelay::Process(double input, double& left, double& right) {
  double outLeft = lineLeft[index];
  double outRight = lineRight[index];
  lineLeft[index] = input + feedback * dampRight.LowPass(outRight);
  lineRight[index] = feedback * dampLeft.LowPass(outLeft);
  if (++index == lineLeft.size()) index = 0;
  left = outLeft;
  right = outRight;
}
