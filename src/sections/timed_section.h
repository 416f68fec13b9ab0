// The shape every animated section shares, with the thread rule built in.
//
// A section keeps everything a tick changes in one value type, its
// Animation, and writes four steps:
//
//   Animation Start() const              the animation at its beginning
//   HRESULT Load()                       Reset's device work: meshes,
//                                        state blocks, buffers
//   void Advance(Animation&, const Tick&) const
//                                        one timer tick (timer thread)
//   void Draw(const Animation&)          one frame (window thread)
//
// plus Release. The timer thread's Animation is private to this class and
// reaches the section only as Advance's argument; Advance is const, so a
// tick cannot change the section's members (its meshes, state blocks,
// buffers) either. After every tick the whole value is published; each
// frame draws from one copy read at its start. So Render never reads what
// Update writes except through the published copy, and no lock is held
// while drawing.
//
// The end rule lives here too: the section is done on any tick at or past
// its end second, so a stall that skips that whole second cannot leave the
// show stuck on it.
#pragma once

#include <cstdint>

#include "sections/base_section.h"
#include "toolkit/published_state.h"

// One tick of the demo clock, as the shell passes it on.
struct Tick {
  uint32_t elapsed = 0;  // ms since the show's first tick
  uint32_t delta = 0;    // ms since the previous tick

  // The same values as single-precision floats, converted as unsigned
  // values: what the animation formulas take.
  float t() const { return static_cast<float>(elapsed); }
  float d() const { return static_cast<float>(delta); }
  // The whole seconds of elapsed.
  uint32_t second() const { return elapsed / 1000; }
};

template <typename AnimationT>
class TimedSection : public BaseSection {
 public:
  using Animation = AnimationT;

  void Update(uint32_t elapsed, uint32_t delta) final {
    const Tick tick{elapsed, delta};
    Advance(animation_, tick);
    published_.Publish(animation_);
    if (tick.second() >= endSecond) done.store(1);
  }

  void Render() final { Draw(published_.Read()); }

  HRESULT Reset() final {
    StartAnimation();
    return Load();
  }

  // Puts the animation at its beginning without touching the device (Reset
  // starts with it; tests of the tick rules call it alone).
  void StartAnimation() {
    animation_ = Start();
    published_.Publish(animation_);
  }

  // What the next frame will draw (tests and tools).
  Animation Published() const { return published_.Read(); }

 protected:
  virtual Animation Start() const = 0;
  virtual HRESULT Load() = 0;
  virtual void Advance(Animation& animation, const Tick& tick) const = 0;
  virtual void Draw(const Animation& frame) = 0;

 private:
  Animation animation_{};  // timer thread (Reset before the timer starts)
  PublishedState<Animation> published_;
};
