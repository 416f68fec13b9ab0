// The show's dialogs: the "Fullscreen ?" question and the start-up error
// boxes, all with the demo's caption.
#pragma once

#include <string>

struct SDL_Window;

enum class Answer { Yes, No, Cancel };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Yes / No / Cancel question.
  virtual Answer Ask(const std::string& text) = 0;
  // An error box with OK.
  virtual void ShowError(const std::string& text) = 0;
};

// Boxes through SDL, owned by the (hidden) demo window. When no box can be
// shown (no display), errors go to stderr and a question counts as No.
class SdlMessageBoxes : public MessageBoxes {
 public:
  static constexpr const char* kCaption = "Q U O R B E L";

  explicit SdlMessageBoxes(SDL_Window* owner = nullptr) : owner_(owner) {}
  void SetOwner(SDL_Window* owner) { owner_ = owner; }

  Answer Ask(const std::string& text) override;
  void ShowError(const std::string& text) override;

 private:
  SDL_Window* owner_;
};

// No dialogs at all (offline rendering, benchmarks): errors go to stderr and
// a question is answered with `answer`.
class ConsoleMessageBoxes : public MessageBoxes {
 public:
  explicit ConsoleMessageBoxes(Answer answer = Answer::No) : answer_(answer) {}
  Answer Ask(const std::string&) override { return answer_; }
  void ShowError(const std::string& text) override;

 private:
  Answer answer_;
};
