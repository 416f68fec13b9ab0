// Failure injection for the start-up tests: every fallible call on the way
// to the first frame (device and resource creation, state-block recording,
// texture, mesh and effect loading, the soundtrack stream) asks
// InjectedFailure first. Armed with N, the Nth such call fails as if the
// machine had refused it; unarmed, the calls are only counted.
//
// Calls whose failure the program treats as impossible (buffer locks,
// applying a recorded block) are not injection points: their policy is to
// stop debug builds, which is not a start-up path.
//
// The program never arms it; tests do (ArmInjectedFailure), or the
// environment does for a whole process: QUORBEL_INJECT_FAILURE=N.
#pragma once

#include <string>

// True when this call is the armed one. `site` names the call for reports.
bool InjectedFailure(const char* site);

// The Nth call from now on fails (counting restarts at 1); 0 disarms.
void ArmInjectedFailure(int nth);
// Calls counted since the last Arm.
int InjectionPointsPassed();
// The site of the call that failed ("CreateVertexBuffer", or
// "OptimizeInplace/CreateVertexBuffer" inside a step that names itself),
// or empty.
std::string InjectedFailureSite();

// Names the calls made while it lives as part of a larger step whose
// result the program does not depend on (mesh optimisation), so that a
// report can tell them apart.
class InjectionScope {
 public:
  explicit InjectionScope(const char* step);
  ~InjectionScope();
  InjectionScope(const InjectionScope&) = delete;
  InjectionScope& operator=(const InjectionScope&) = delete;

 private:
  const char* outer_;
};
