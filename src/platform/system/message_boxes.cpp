#include "platform/system/message_boxes.h"

#include <SDL.h>

#include <cstdio>

#include "platform/system/stop_signals.h"

namespace {

// Button ids of the question; SDL reports -1 when the box is closed.
constexpr int kButtonYes = 6;
constexpr int kButtonNo = 7;
constexpr int kButtonCancel = 2;

void PrintError(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", SdlMessageBoxes::kCaption, text.c_str());
}

}  // namespace

Answer SdlMessageBoxes::Ask(const std::string& text) {
  // Buttons are listed right to left on some platforms when given in order;
  // SDL's flag keeps them left to right as Yes, No, Cancel.
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kButtonYes, "Yes"},
      {0, kButtonNo, "No"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kButtonCancel, "Cancel"},
  };
  SDL_MessageBoxData box{};
  box.flags = SDL_MESSAGEBOX_INFORMATION;
#if SDL_VERSION_ATLEAST(2, 0, 12)
  box.flags |= SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
#endif
  box.window = owner_;
  box.title = kCaption;
  box.message = text.c_str();
  box.numbuttons = SDL_arraysize(buttons);
  box.buttons = buttons;
  int pressed = -1;
  int result = 0;
  {
    DialogChildScope dialog;
    result = SDL_ShowMessageBox(&box, &pressed);
  }
  // A stop signal closes the box: the show ends as on Cancel.
  if (StopRequested()) return Answer::Cancel;
  // No display to ask on: play in a window.
  if (result != 0) return Answer::No;
  switch (pressed) {
    case kButtonYes:
      return Answer::Yes;
    case kButtonNo:
      return Answer::No;
    default:  // Cancel, Escape, or the box was closed
      return Answer::Cancel;
  }
}

void SdlMessageBoxes::ShowError(const std::string& text) {
  DialogChildScope dialog;
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kCaption, text.c_str(),
                               owner_) != 0) {
    PrintError(text);
  }
}

void ConsoleMessageBoxes::ShowError(const std::string& text) {
  PrintError(text);
}
