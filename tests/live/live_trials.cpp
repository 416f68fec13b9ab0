// Ends the live show at chosen moments and checks how it ends.
//
// Events: Escape released, the window closed (WM_DELETE_WINDOW, what a
// window manager sends), SIGTERM to the show, SIGINT to its process group
// (what Ctrl-C in a terminal does). Moments: while "Fullscreen ?" is
// asked, while loading, on the first frame, in the middle of a section,
// right after a change of section, in the last second of the show.
//
// Every trial must end with exit code 0, "quorbel: Shutdown" exactly once
// on stderr and no sanitizer report; the time from the event to the end of
// the process is measured and summarised (worst, median). Run it under an
// X server (xvfb-run) against build/<preset>/quorbel:
//
//   live_trials --quorbel build/release/quorbel --trials 50
//
// The milestones come from the show itself (QUORBEL_TRACE): "start-up"
// before loading, "first frame" once the window is up, "playing" once that
// frame is out and the timer runs, "section N" after each change.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "show_process.h"
#include "x_input.h"

namespace {

using std::chrono::milliseconds;

constexpr const char* kCaption = "Q U O R B E L";

enum class Event { Escape, Close, Sigterm, Sigint };
enum class Moment {
  Question,
  Loading,
  FirstFrame,
  MidSection,
  SectionChange,
  LastSecond
};

const char* Name(Event e) {
  switch (e) {
    case Event::Escape:
      return "escape";
    case Event::Close:
      return "close";
    case Event::Sigterm:
      return "sigterm";
    case Event::Sigint:
      return "sigint";
  }
  return "?";
}

const char* Name(Moment m) {
  switch (m) {
    case Moment::Question:
      return "question";
    case Moment::Loading:
      return "loading";
    case Moment::FirstFrame:
      return "first-frame";
    case Moment::MidSection:
      return "mid-section";
    case Moment::SectionChange:
      return "section-change";
    case Moment::LastSecond:
      return "last-second";
  }
  return "?";
}

// While loading, the window exists but is not on screen (it is shown once
// everything is ready): no key and no close button can reach it, so only
// the signals apply there.
bool Applies(Event e, Moment m) {
  return !(m == Moment::Loading && (e == Event::Escape || e == Event::Close));
}

// The whole seconds at which the sections end, in playing order; the show
// is 225 s long.
constexpr double kSectionEnds[] = {27, 41, 82, 108, 137, 165, 219, 225};
constexpr int kSections = 8;

struct Settings {
  std::string quorbel;
  int trials = 3;
  std::vector<Event> events = {Event::Escape, Event::Close, Event::Sigterm,
                               Event::Sigint};
  std::vector<Moment> moments = {Moment::Question,      Moment::Loading,
                                 Moment::FirstFrame,    Moment::MidSection,
                                 Moment::SectionChange, Moment::LastSecond};
  // How long a milestone may take to come (sanitizer builds start slowly).
  int cueTimeoutMs = 60000;
  // How long after the event the show may take to end before it counts as
  // hung (and is killed).
  int hangMs = 10000;
  // Fail any trial slower than this; 0: only report the times.
  double maxMs = 0;
  uint32_t seed = 0;
  std::string csv;
};

struct Outcome {
  bool reached = false;  // the event landed in the intended moment
  bool passed = false;
  double ms = 0;
  std::string why;  // of a failure
};

class Trials {
 public:
  Trials(const Settings& settings, XInput* x)
      : settings_(settings), x_(x), random_(settings.seed) {}

  Outcome Run(Event event, Moment moment);

 private:
  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random_);
  }
  Clock::time_point CueDeadline() const {
    return Clock::now() + milliseconds(settings_.cueTimeoutMs);
  }
  // Sleeps until `when`, reading the show's stderr meanwhile.
  void PumpUntil(ShowProcess* show, Clock::time_point when) {
    show->WaitForLine("", when);
  }
  XWindowId WaitForWindow(ShowProcess* show, Clock::time_point until);
  bool Send(Event event, ShowProcess* show, XWindowId window);

  const Settings& settings_;
  XInput* x_;
  std::mt19937 random_;
  // The last loading times seen (start-up to first frame), in ms.
  double loadingMs_ = 1500;
};

XWindowId Trials::WaitForWindow(ShowProcess* show, Clock::time_point until) {
  while (!show->Ended() && Clock::now() < until) {
    if (XWindowId w = x_->FindViewable(kCaption)) return w;
    PumpUntil(show, Clock::now() + milliseconds(2));
  }
  return 0;
}

bool Trials::Send(Event event, ShowProcess* show, XWindowId window) {
  switch (event) {
    case Event::Escape:
      return x_->ReleaseEscape(window, 10);
    case Event::Close:
      return x_->Close(window);
    case Event::Sigterm:
      return kill(show->pid(), SIGTERM) == 0;
    case Event::Sigint:
      return kill(-show->pid(), SIGINT) == 0;
  }
  return false;
}

Outcome Trials::Run(Event event, Moment moment) {
  Outcome out;
  std::vector<std::string> args;
  if (moment != Moment::Question) args.push_back("--windowed");
  std::string cue;      // the milestone the event is timed from
  std::string tooLate;  // a milestone that must not have come yet
  double delayLo = 0, delayHi = 0;
  switch (moment) {
    case Moment::Question:
      delayHi = 300;
      break;
    case Moment::Loading:
      cue = "quorbel: start-up";
      tooLate = "quorbel: first frame";
      delayHi = 0.8 * loadingMs_;
      break;
    case Moment::FirstFrame:
      cue = "quorbel: first frame";
      tooLate = "quorbel: playing";
      delayHi = 30;
      break;
    case Moment::MidSection: {
      // Well inside a section: no change within 5 s of the start.
      const int s =
          std::uniform_int_distribution<int>(0, kSections - 1)(random_);
      const double from = s == 0 ? 0 : kSectionEnds[s - 1];
      const double start =
          Uniform(from + 0.5, std::max(from + 0.5, kSectionEnds[s] - 5));
      args.push_back("--start");
      args.push_back(std::to_string(start));
      cue = "quorbel: playing";
      tooLate = "quorbel: section " + std::to_string(s + 1);
      delayLo = 300;
      delayHi = 2000;
      break;
    }
    case Moment::SectionChange: {
      // Any change but the end of the show, 1.2 s after the start.
      const int s =
          std::uniform_int_distribution<int>(0, kSections - 2)(random_);
      args.push_back("--start");
      args.push_back(std::to_string(kSectionEnds[s] - 1.2));
      cue = "quorbel: section " + std::to_string(s + 1);
      tooLate = "quorbel: section " + std::to_string(s + 2);
      delayHi = 16;  // within a frame of the change
      break;
    }
    case Moment::LastSecond:
      // The demo clock reads about 223 s when the first frame starts; the
      // event lands between 224 and 225 s.
      args.push_back("--start");
      args.push_back("223");
      cue = "quorbel: first frame";
      tooLate = "quorbel: section 8";
      delayLo = 1050;
      delayHi = 1950;
      break;
  }

  // The windows of the run before must be gone first, or one of them could
  // be taken for this run's.
  const auto clearBy = CueDeadline();
  while (x_->FindViewable(kCaption) && Clock::now() < clearBy) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  ShowProcess show;
  if (!show.Start(settings_.quorbel, args)) {
    out.why = "could not start " + settings_.quorbel;
    return out;
  }
  XWindowId window = 0;
  if (moment == Moment::Question) {
    window = WaitForWindow(&show, CueDeadline());
    if (!window) {
      out.why = "the question never showed";
      show.Kill();
      return out;
    }
  } else if (!show.WaitForLine(cue, CueDeadline())) {
    out.why = "no \"" + cue + "\" from the show";
    show.Kill();
    return out;
  }
  const auto cueTime = Clock::now();
  PumpUntil(&show, cueTime + std::chrono::microseconds(static_cast<int64_t>(
                                 Uniform(delayLo, delayHi) * 1000)));
  if (show.Ended() || (!tooLate.empty() && show.Seen(tooLate))) {
    // Missed the moment: not a trial. Loading was shorter than thought.
    if (moment == Moment::Loading) loadingMs_ *= 0.8;
    show.Kill();
    return out;
  }
  if (event == Event::Escape || event == Event::Close) {
    window = x_->FindViewable(kCaption);
    if (!window) {
      show.Kill();
      return out;
    }
  }
  if (!Send(event, &show, window)) {
    out.why = "could not send the event";
    show.Kill();
    return out;
  }
  const auto eventTime = Clock::now();
  out.reached = true;
  const bool ended =
      show.WaitForEnd(eventTime + milliseconds(settings_.hangMs));
  if (!ended) show.Kill();
  out.ms = std::chrono::duration<double, std::milli>(show.EndTime() - eventTime)
               .count();
  if (moment == Moment::Loading && show.Seen("quorbel: first frame")) {
    // The show got past loading first: judged, but not counted as a
    // loading trial.
    out.reached = false;
    loadingMs_ *= 0.8;
  }
  // Learn how long loading takes (with no --start), to aim the loading
  // trials.
  if (moment == Moment::FirstFrame) {
    const double loading =
        std::chrono::duration<double, std::milli>(
            show.When("quorbel: first frame") - show.When("quorbel: start-up"))
            .count();
    loadingMs_ = 0.5 * loadingMs_ + 0.5 * loading;
  }

  const std::string& err = show.Stderr();
  const int shutdowns = show.Count("quorbel: Shutdown");
  if (!ended) {
    out.why = "still running " + std::to_string(settings_.hangMs) +
              " ms after the event";
  } else if (show.ExitCode() != 0) {
    out.why = "exit code " + std::to_string(show.ExitCode());
  } else if (shutdowns != 1) {
    out.why = "Shutdown ran " + std::to_string(shutdowns) + " times";
  } else if (err.find("Sanitizer") != std::string::npos ||
             err.find("runtime error:") != std::string::npos) {
    out.why = "sanitizer report";
  } else if (settings_.maxMs > 0 && out.ms > settings_.maxMs) {
    out.why = "took " + std::to_string(out.ms) + " ms";
  } else {
    out.passed = true;
  }
  if (!out.passed) {
    std::fprintf(stderr, "--- %s during %s (%s): %s\n%s---\n", Name(event),
                 Name(moment), args.empty() ? "" : args.back().c_str(),
                 out.why.c_str(), err.c_str());
  }
  return out;
}

struct Cell {
  Event event;
  Moment moment;
  std::vector<double> ms;
  int failed = 0;
  int missed = 0;  // attempts that did not land in the moment
};

bool ParseList(const std::string& text, const char* what,
               std::vector<std::string>* out) {
  out->clear();
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    if (comma > at) out->push_back(text.substr(at, comma - at));
    at = comma + 1;
  }
  if (out->empty()) std::fprintf(stderr, "live_trials: empty %s\n", what);
  return !out->empty();
}

template <typename T, size_t N>
bool ByName(const std::string& name, const T (&all)[N], T* out) {
  for (T value : all) {
    if (name == Name(value)) {
      *out = value;
      return true;
    }
  }
  std::fprintf(stderr, "live_trials: unknown name %s\n", name.c_str());
  return false;
}

const char kUsage[] =
    "usage: live_trials --quorbel PATH [--trials N] [--events LIST]\n"
    "         [--moments LIST] [--max-ms MS] [--hang-ms MS]\n"
    "         [--cue-timeout-ms MS] [--seed N] [--csv FILE]\n"
    "events: escape,close,sigterm,sigint\n"
    "moments: question,loading,first-frame,mid-section,section-change,"
    "last-second\n";

bool ParseSettings(int argc, char** argv, Settings* s) {
  const Event allEvents[] = {Event::Escape, Event::Close, Event::Sigterm,
                             Event::Sigint};
  const Moment allMoments[] = {Moment::Question,      Moment::Loading,
                               Moment::FirstFrame,    Moment::MidSection,
                               Moment::SectionChange, Moment::LastSecond};
  s->seed = std::random_device()();
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    std::vector<std::string> names;
    if (option == "--quorbel") {
      s->quorbel = value;
    } else if (option == "--trials") {
      s->trials = std::atoi(value.c_str());
    } else if (option == "--max-ms") {
      s->maxMs = std::atof(value.c_str());
    } else if (option == "--hang-ms") {
      s->hangMs = std::atoi(value.c_str());
    } else if (option == "--cue-timeout-ms") {
      s->cueTimeoutMs = std::atoi(value.c_str());
    } else if (option == "--seed") {
      s->seed = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (option == "--csv") {
      s->csv = value;
    } else if (option == "--events") {
      if (!ParseList(value, "event list", &names)) return false;
      s->events.clear();
      for (const auto& n : names) {
        Event e;
        if (!ByName(n, allEvents, &e)) return false;
        s->events.push_back(e);
      }
    } else if (option == "--moments") {
      if (!ParseList(value, "moment list", &names)) return false;
      s->moments.clear();
      for (const auto& n : names) {
        Moment m;
        if (!ByName(n, allMoments, &m)) return false;
        s->moments.push_back(m);
      }
    } else {
      return false;
    }
  }
  return !s->quorbel.empty() && s->trials > 0;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t i = static_cast<size_t>(p * (values.size() - 1) + 0.5);
  return values[std::min(i, values.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ParseSettings(argc, argv, &settings)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  XInput x;
  std::string error;
  if (!x.Open(&error)) {
    std::fprintf(stderr, "live_trials: %s\n", error.c_str());
    return 2;
  }
  std::printf("live_trials: %s, %d trials per event and moment, seed %u\n",
              settings.quorbel.c_str(), settings.trials, settings.seed);
  std::fflush(stdout);

  std::vector<Cell> cells;
  for (Event e : settings.events) {
    for (Moment m : settings.moments) {
      if (Applies(e, m)) cells.push_back(Cell{e, m, {}, 0, 0});
    }
  }
  // Every trial of every cell, in a random order, so that a slow spell of
  // the machine does not fall on one cell only.
  std::vector<size_t> order;
  for (size_t c = 0; c < cells.size(); ++c) {
    for (int t = 0; t < settings.trials; ++t) order.push_back(c);
  }
  std::mt19937 shuffle(settings.seed + 1);
  std::shuffle(order.begin(), order.end(), shuffle);

  FILE* csv =
      settings.csv.empty() ? nullptr : std::fopen(settings.csv.c_str(), "w");
  if (csv) std::fputs("event,moment,passed,ms,why\n", csv);
  Trials trials(settings, &x);
  constexpr int kAttempts = 6;
  for (size_t c : order) {
    Cell& cell = cells[c];
    Outcome outcome;
    for (int attempt = 0; attempt < kAttempts && !outcome.reached; ++attempt) {
      outcome = trials.Run(cell.event, cell.moment);
      if (!outcome.reached && !outcome.why.empty()) break;  // a failure
      if (!outcome.reached) ++cell.missed;
    }
    if (!outcome.reached && outcome.why.empty()) {
      outcome.why = "never landed in the moment";
    }
    if (outcome.reached) cell.ms.push_back(outcome.ms);
    if (!outcome.passed) ++cell.failed;
    if (!outcome.passed) {
      std::fprintf(stderr, "live_trials: FAILED %s during %s: %s\n",
                   Name(cell.event), Name(cell.moment), outcome.why.c_str());
    }
    if (csv) {
      std::fprintf(csv, "%s,%s,%d,%.2f,%s\n", Name(cell.event),
                   Name(cell.moment), outcome.passed ? 1 : 0, outcome.ms,
                   outcome.why.c_str());
      std::fflush(csv);
    }
  }
  if (csv) std::fclose(csv);

  std::printf("%-8s %-15s %6s %6s %6s %10s %10s\n", "event", "moment", "trials",
              "failed", "missed", "median_ms", "worst_ms");
  int failed = 0;
  double worst = 0;
  for (const Cell& cell : cells) {
    const double cellWorst =
        cell.ms.empty() ? 0 : *std::max_element(cell.ms.begin(), cell.ms.end());
    worst = std::max(worst, cellWorst);
    std::printf("%-8s %-15s %6zu %6d %6d %10.1f %10.1f\n", Name(cell.event),
                Name(cell.moment), cell.ms.size(), cell.failed, cell.missed,
                Percentile(cell.ms, 0.5), cellWorst);
    failed += cell.failed;
  }
  std::printf("live_trials: %d failed; worst %.1f ms from event to exit\n",
              failed, worst);
  return failed == 0 ? 0 : 1;
}
