#include "arrangement.h"

#include <algorithm>
#include <cmath>

#include "song_clock.h"

namespace {

using song_clock::RowToSample;
using song_clock::SecondToRow;

constexpr int kBar = song_clock::kRowsPerBar;
constexpr int kBeat = 4;

// A chord as root pitch class (C = 0) and quality.
struct Chord {
  int root;
  bool minor;
};

constexpr Chord kAm{9, true}, kF{5, false}, kC{0, false}, kG{7, false},
    kEm{4, true}, kBm{11, true}, kD{2, false}, kA{9, false};

// Pitch classes of a chord with its added ninth.
std::vector<int> ChordTones(Chord chord) {
  int third = chord.minor ? 3 : 4;
  return {chord.root, chord.root + third, chord.root + 7, chord.root + 2};
}

// Places a pitch class in the octave starting at `low` (MIDI note).
int InRange(int pitchClass, int low) {
  return low + ((pitchClass - low) % 12 + 12) % 12;
}

// Close pad voicing between G3 and F#4, sorted upwards.
std::vector<int> PadVoicing(Chord chord) {
  std::vector<int> notes;
  for (int pc : ChordTones(chord)) notes.push_back(InRange(pc, 55));
  std::sort(notes.begin(), notes.end());
  return notes;
}

// Bass root between G1 and F#2.
int BassRoot(Chord chord) { return InRange(chord.root, 31); }

// One 4-bar lead phrase over i-VI-III-VII: (row, note, rows). A 2-bar call
// in A minor pentatonic and a 2-bar answer, 8ths with 16th pickups.
struct PhraseNote {
  int row, note, rows;
};
const std::vector<PhraseNote> kPhraseCallAnswer = {
    {0, 76, 4},  {4, 74, 2},  {6, 72, 2},  {8, 74, 4},  {12, 76, 2},
    {14, 74, 2}, {16, 72, 6}, {22, 69, 2}, {24, 72, 4}, {28, 69, 2},
    {30, 67, 1}, {31, 69, 1}, {32, 72, 2}, {34, 74, 2}, {36, 76, 4},
    {40, 74, 2}, {42, 76, 2}, {44, 79, 2}, {46, 76, 2}, {48, 74, 8},
    {56, 72, 2}, {58, 74, 2}, {60, 67, 2}, {62, 69, 1}, {63, 72, 1}};
// The same call with an answer that comes home to A.
const std::vector<PhraseNote> kPhraseResolve = {
    {0, 76, 4},  {4, 74, 2},  {6, 72, 2},  {8, 74, 4},  {12, 76, 2},
    {14, 74, 2}, {16, 72, 6}, {22, 69, 2}, {24, 72, 4}, {28, 69, 2},
    {30, 67, 1}, {31, 69, 1}, {32, 72, 2}, {34, 74, 2}, {36, 76, 2},
    {38, 74, 2}, {40, 72, 4}, {44, 69, 2}, {46, 67, 2}, {48, 69, 12}};

class Writer {
 public:
  explicit Writer(Score& score) : score(score) {}

  // Adds a note from `row` lasting `rows` rows times `gate`.
  Note& Add(std::vector<Note>& list, double row, double rows, double pitch,
            double velocity, double gate = 1.0) {
    Note note;
    note.start = At(row);
    note.length = std::max<int64_t>(
        1, int64_t(double(At(row + rows) - note.start) * gate));
    note.pitch = pitch;
    note.velocity = velocity;
    note.id = uint64_t(note.start) * 128 + uint64_t(std::max(0.0, pitch));
    list.push_back(note);
    return list.back();
  }

  // Row positions may be half rows (32nd notes); both land on integer
  // samples: floor(row * 5512.5).
  static int64_t At(double row) {
    int64_t halfRows = int64_t(std::llround(row * 2.0));
    return halfRows * 11025 / 4;
  }

  // Four-on-the-floor bar: kick on every beat from `from` to `to` rows.
  void Kicks(int from, int to, int step = kBeat, double velocity = 1.0) {
    for (int r = from; r < to; r += step) Add(score.kick, r, 2, 36, velocity);
  }

  // Clap on beats 2 and 4 of the bars between `from` and `to`.
  void Claps(int from, int to, double velocity = 1.0) {
    for (int r = from; r < to; r += kBar) {
      if (r + 4 < to) Add(score.clap, r + 4, 2, 60, velocity);
      if (r + 12 < to) Add(score.clap, r + 12, 2, 60, velocity);
    }
  }

  // Closed hats every `step` rows with a 16th accent pattern; with
  // `openOffbeats`, an open hat on every off-beat 8th, choked by the next
  // closed hat.
  void Hats(int from, int to, int step, double velocity, bool openOffbeats) {
    static constexpr double kAccent[4] = {0.55, 0.35, 1.0, 0.4};
    for (int r = from; r < to; r += step) {
      bool offbeat = r % kBeat == 2;
      if (openOffbeats && offbeat) {
        Add(score.openHat, r, 1, 0, velocity * 0.8);
      } else {
        Add(score.closedHat, r, 1, 0, velocity * kAccent[r % 4]);
      }
    }
  }

  // 16th snare roll rising in velocity, `from` to `to`, ending with 32nds
  // over the last beat.
  void SnareRoll(int from, int to, double v0, double v1) {
    for (int r = from; r < to; ++r) {
      double x = double(r - from) / double(to - from);
      Add(score.snare, r, 1, 0, v0 + (v1 - v0) * x);
      if (r >= to - kBeat)
        Add(score.snare, r + 0.5, 0.5, 0, v0 + (v1 - v0) * x);
    }
  }

  void Accent(int second, bool withImpact = true, double velocity = 1.0) {
    int row = int(SecondToRow(second));
    Add(score.crash, row, 8, 0, velocity);
    if (withImpact) Add(score.impact, row, 8, 0, velocity);
  }

  void Riser(double fromSecond, double toSecond, double velocity = 1.0) {
    Add(score.riser, fromSecond * song_clock::kRowsPerSecond,
        (toSecond - fromSecond) * song_clock::kRowsPerSecond, 48, velocity);
  }

  // A pad chord held from `row` for `rows` rows.
  void Pad(int row, int rows, Chord chord, int transpose, double velocity,
           double attack = 0.0) {
    for (int note : PadVoicing(chord)) {
      Note& n = Add(score.pad, row, rows, note + transpose, velocity);
      n.aux = attack;
    }
  }

  // Bass line for one bar (or part of one): kinds of pattern below.
  enum class BassStyle { Offbeat, Drive, Syncopated };
  void Bass(int row, int rows, Chord chord, int transpose, BassStyle style,
            double velocity) {
    int root = BassRoot(chord) + transpose;
    for (int r = 0; r < rows; r += 2) {
      bool offbeat = r % kBeat == 2;
      switch (style) {
        case BassStyle::Offbeat:
          if (offbeat) Add(score.bass, row + r, 2, root, velocity, 0.85);
          break;
        case BassStyle::Drive:
          Add(score.bass, row + r, 2, offbeat ? root + 12 : root,
              offbeat ? velocity * 0.85 : velocity, 0.85);
          break;
        case BassStyle::Syncopated: {
          static constexpr int kHits[] = {0, 3, 6, 8, 10, 14};
          for (int h : kHits)
            if (h >= r && h < r + 2 && h < rows)
              Add(score.bass, row + h, h == 0 || h == 8 ? 2 : 1.5,
                  h == 6 || h == 14 ? root + 12 : root, velocity, 0.8);
          break;
        }
      }
    }
  }

  // 16th arpeggio over the chord two octaves above the pad.
  void Arp(int row, int rows, Chord chord, int transpose, double velocity) {
    static constexpr double kVelocity[4] = {1.0, 0.6, 0.8, 0.6};
    std::vector<int> t = PadVoicing(chord);
    int pattern[8] = {t[0], t[1], t[2], t[3], t[0] + 12, t[3], t[2], t[1]};
    for (int r = 0; r < rows; ++r)
      Add(score.arp, row + r, 1, pattern[(row + r) % 8] + 12 + transpose,
          velocity * kVelocity[r % 4], 0.8);
  }

  // Chord plucks on the 8ths, alternating upper tones.
  void Plucks(int row, int rows, Chord chord, int transpose, double velocity) {
    std::vector<int> t = PadVoicing(chord);
    static constexpr int kOrder[8] = {0, 2, 1, 3, 2, 0, 3, 1};
    for (int r = 0; r < rows; r += 2) {
      if (r % kBeat == 0 && r % 8 == 0) continue;  // leave room for the bells
      Note& n =
          Add(score.pluck, row + r, 2, t[kOrder[(r / 2) % 8]] + 12 + transpose,
              velocity * (r % kBeat == 2 ? 1.0 : 0.7), 0.9);
      n.aux = 0.25;
    }
  }

  void Phrase(int row, const std::vector<PhraseNote>& phrase, int maxRows,
              int transpose, double velocity) {
    double previous = 0.0;
    for (const PhraseNote& p : phrase) {
      if (p.row >= maxRows) break;
      int rows = std::min(p.rows, maxRows - p.row);
      Note& n = Add(score.lead, row + p.row, rows, p.note + transpose, velocity,
                    0.92);
      n.aux = previous;
      previous = p.note + transpose;
    }
  }

  // Counter-melody: the chord's third and fifth an octave below the lead,
  // dotted rhythm.
  void Counter(int row, Chord chord, int transpose, double velocity) {
    std::vector<int> t = ChordTones(chord);
    int third = InRange(t[1], 62) + transpose;
    int fifth = InRange(t[2], 62) + transpose;
    Add(score.counter, row, 6, third, velocity, 0.95);
    Add(score.counter, row + 6, 2, fifth, velocity * 0.8, 0.9);
    Add(score.counter, row + 8, 8, third + (row / kBar % 2 ? 2 : -1),
        velocity * 0.9, 0.95);
  }

  Score& score;
};

using Style = Writer::BassStyle;

// Chords for a run of bars from a loop.
Chord Loop(const std::vector<Chord>& loop, int bar) {
  return loop[size_t(bar) % loop.size()];
}

void Intro(Writer& w) {
  // A kick on every whole second: the pulse of the flashing picture.
  w.Kicks(0, int(SecondToRow(27)), 8);
  Note& drone = w.Add(w.score.sub, 0, SecondToRow(26) + 4, 33, 0.45);
  drone.aux = 4.0;
  // The pad fades in closed and opens when the title appears (13-15 s).
  w.Pad(0, int(SecondToRow(18)), kAm, 0, 0.45, 5.0);
  w.Pad(int(SecondToRow(18)), int(SecondToRow(4)), kF, 0, 0.6);
  w.Pad(int(SecondToRow(22)), int(SecondToRow(5)), kG, 0, 0.6);
  w.Hats(int(SecondToRow(14)), int(SecondToRow(26)), 2, 0.7, false);
  for (int s = 18; s < 26; s += 2)
    w.Bass(int(SecondToRow(s)), kBar, s < 22 ? kF : kG, 0, Style::Offbeat, 0.6);
  w.SnareRoll(int(SecondToRow(26)), int(SecondToRow(27)), 0.25, 0.9);
  w.Riser(23, 27, 0.8);
}

void BuildUp(Writer& w) {
  const int start = int(SecondToRow(27));
  const std::vector<Chord> chords = {kAm, kF, kC, kG, kAm, kF, kG};
  const int cut = int(SecondToRow(41)) - kBeat;  // silent last beat
  w.Accent(27);
  w.Kicks(start, cut);
  w.Hats(start, cut, 1, 0.6, false);
  w.Claps(int(SecondToRow(35)), cut, 0.9);
  for (int b = 0; b < 7; ++b) {
    int row = start + b * kBar;
    int rows = std::min(kBar, cut - row);
    w.Pad(row, rows, chords[size_t(b)], 0, 0.8);
    w.Bass(row, rows, chords[size_t(b)], 0, Style::Offbeat, 1.0);
  }
  w.Riser(37, 40.5, 1.0);
}

// Full groove for one bar: kick, clap, hats with open off-beats.
void Groove(Writer& w, int row, int rows) {
  w.Kicks(row, row + rows);
  w.Claps(row, row + rows);
  w.Hats(row, row + rows, 1, 0.8, true);
}

void DropOne(Writer& w) {
  const std::vector<Chord> loop = {kAm, kF, kC, kG};
  const std::vector<Chord> seven = {kAm, kF, kC, kG, kAm, kF, kG};
  w.Accent(41);
  w.Accent(53);
  w.Accent(68);
  auto bars = [&](int second, int count, const std::vector<Chord>& chords,
                  bool lead, bool arp, bool high) {
    int start = int(SecondToRow(second));
    for (int b = 0; b < count; ++b) {
      int row = start + b * kBar;
      Chord chord = Loop(chords, b);
      Groove(w, row, kBar);
      w.Pad(row, kBar, chord, 0, 1.0);
      w.Bass(row, kBar, chord, 0, Style::Drive, 1.0);
      if (arp) w.Arp(row, kBar, chord, 0, 0.8);
    }
    if (lead) {
      w.Phrase(start, kPhraseCallAnswer, 4 * kBar, high ? 12 : 0, 1.0);
      w.Phrase(start + 4 * kBar, kPhraseResolve, (count - 4) * kBar,
               high ? 12 : 0, 1.0);
    }
  };
  bars(41, 6, loop, false, false, false);
  bars(53, 7, seven, true, false, false);
  // The 2/4 bar at 67 s: a kick, then a snare fill into the overlay at 68.
  int fill = int(SecondToRow(67));
  w.Kicks(fill, fill + 1);
  w.Pad(fill, 8, kG, 0, 1.0);
  w.Bass(fill, 4, kG, 0, Style::Drive, 1.0);
  w.SnareRoll(fill + 2, fill + 8, 0.4, 1.0);
  bars(68, 7, seven, true, true, true);
}

void Breakdown(Writer& w) {
  const std::vector<Chord> loop = {kF, kG, kEm, kAm};
  const int start = int(SecondToRow(82));
  w.Accent(82, false, 0.8);
  for (int b = 0; b < 13; ++b) {
    int row = start + b * kBar;
    Chord chord = b == 12 ? kG : Loop(loop, b);
    w.Pad(row, kBar, chord, 0, 0.7, 0.3);
    Note& sub = w.Add(w.score.sub, row, kBar, BassRoot(chord), 0.5);
    sub.aux = 0.2;
    if (b >= 2) w.Arp(row, kBar, chord, 0, b < 4 ? 0.45 : 0.6);
  }
  w.SnareRoll(int(SecondToRow(104)), int(SecondToRow(108)), 0.15, 1.0);
  w.Riser(104, 108, 1.0);
}

void DropTwo(Writer& w) {
  const std::vector<Chord> loop = {kAm, kF, kC, kG};
  const int start = int(SecondToRow(108));
  w.Accent(108);
  for (int b = 0; b < 14; ++b) {
    int row = start + b * kBar;
    Chord chord = Loop(loop, b);
    Groove(w, row, kBar);
    w.Pad(row, kBar, chord, 0, 1.0);
    w.Bass(row, kBar, chord, 0, Style::Drive, 1.0);
    w.Arp(row, kBar, chord, 0, 0.75);
    w.Counter(row, chord, 0, 0.9);
  }
  w.Phrase(start + 8 * kBar, kPhraseResolve, 6 * kBar, 0, 0.8);
  int fill = int(SecondToRow(136));
  w.Kicks(fill, fill + 1);
  w.Pad(fill, 8, kG, 0, 1.0);
  w.SnareRoll(fill + 1, fill + 8, 0.4, 1.0);
}

void Bridge(Writer& w) {
  const std::vector<Chord> loop = {kAm, kF, kC, kG};
  const int start = int(SecondToRow(137));
  w.Accent(137);
  for (int b = 0; b < 14; ++b) {
    int row = start + b * kBar;
    Chord chord = b >= 12 ? (b == 12 ? kF : kG) : Loop(loop, b);
    w.Kicks(row, row + kBar);
    w.Claps(row, row + kBar, 0.7);
    w.Hats(row, row + kBar, 2, 0.8, true);
    w.Bass(row, kBar, chord, 0, Style::Syncopated, 1.0);
    w.Plucks(row, kBar, chord, 0, 0.9);
    w.Pad(row, kBar, chord, 0, 0.55);
    // The greeting card changes on every even second, beat 3 of the bar.
    std::vector<int> t = PadVoicing(chord);
    w.Add(w.score.bell, row + 8, 8, t[b % 2 ? 2 : 0] + 24, 0.9);
  }
}

void Finale(Writer& w) {
  // The last loop a whole tone up: B minor, i-VI-III-VII.
  const std::vector<Chord> loop = {kBm, kG, kD, kA};
  const int start = int(SecondToRow(165));
  for (int s : {165, 181, 197, 213}) w.Accent(s);
  for (int b = 0; b < 27; ++b) {
    int row = start + b * kBar;
    Chord chord = b == 26 ? kA : Loop(loop, b);
    bool last = b == 26;
    Groove(w, row, last ? kBar / 2 : kBar);
    w.Pad(row, kBar, chord, 0, 1.0);
    w.Bass(row, kBar, chord, 0, Style::Drive, 1.0);
    if (b >= 8) w.Arp(row, kBar, chord, 0, 0.8);
    if (b >= 24) w.Counter(row, chord, 0, 0.9);
  }
  for (int p = 0; p < 2; ++p)
    w.Phrase(start + (16 + 4 * p) * kBar,
             p == 0 ? kPhraseCallAnswer : kPhraseResolve, 4 * kBar, 14, 1.0);
  w.Phrase(start + 24 * kBar, kPhraseCallAnswer, 3 * kBar, 14, 1.0);
  w.SnareRoll(int(SecondToRow(218)), int(SecondToRow(219)), 0.4, 1.0);
  w.Riser(215, 219, 1.0);
}

void Outro(Writer& w) {
  const int start = int(SecondToRow(219));
  w.Accent(219);
  w.Kicks(start, start + 1);
  w.Pad(start, int(SecondToRow(3)), kBm, 0, 1.3, 0.005);
  Note& sub = w.Add(w.score.sub, start, SecondToRow(2), BassRoot(kBm), 1.0);
  sub.aux = 1.5;
  w.Add(w.score.noiseBurst, start, SecondToRow(1), 0, 1.0);
}

}  // namespace

Score Arrangement::Build() {
  Score score;
  Writer writer(score);
  Intro(writer);
  BuildUp(writer);
  DropOne(writer);
  Breakdown(writer);
  DropTwo(writer);
  Bridge(writer);
  Finale(writer);
  Outro(writer);
  for (std::vector<Note>* list :
       {&score.kick, &score.snare, &score.clap, &score.closedHat,
        &score.openHat, &score.crash, &score.impact, &score.bass, &score.sub,
        &score.pad, &score.arp, &score.pluck, &score.lead, &score.counter,
        &score.bell, &score.riser, &score.noiseBurst})
    std::stable_sort(
        list->begin(), list->end(),
        [](const Note& a, const Note& b) { return a.start < b.start; });
  // An open hat rings until the next closed hat.
  for (Note& open : score.openHat) {
    auto next = std::upper_bound(
        score.closedHat.begin(), score.closedHat.end(), open.start,
        [](int64_t s, const Note& n) { return s < n.start; });
    if (next != score.closedHat.end())
      open.length = std::min<int64_t>(next->start - open.start,
                                      song_clock::kSampleRate / 2);
  }
  return score;
}

std::vector<int> Arrangement::AccentSeconds() {
  std::vector<int> seconds;
  for (int s = 0; s <= 26; ++s) seconds.push_back(s);
  for (int s : {27, 41, 53, 68, 82, 108, 137, 165, 219}) seconds.push_back(s);
  return seconds;
}
