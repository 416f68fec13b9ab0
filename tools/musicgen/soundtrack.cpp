#include "soundtrack.h"

#include "arrangement.h"
#include "song_clock.h"
#include "song_renderer.h"

Mastering::Result Soundtrack::Make(int64_t samples) {
  Score score = Arrangement::Build();
  StereoBuffer mix = SongRenderer::Render(score, samples);
  // The show ends at 225 s; the reverb rings on and fades to digital
  // silence by 231 s.
  return Mastering::Process(mix, song_clock::SecondToSample(225.0),
                            song_clock::SecondToSample(231.0));
}
