// Dialogs without a display: errors reach stderr, the question means No.
#include "platform/system/message_boxes.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(MessageBoxes, WithoutADisplayErrorsGoToStderrAndTheQuestionIsNo) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  SdlMessageBoxes boxes;
  EXPECT_EQ(boxes.Ask("Fullscreen ?"), Answer::No);
  testing::internal::CaptureStderr();
  boxes.ShowError("Unable play music.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Q U O R B E L: Unable play music.\n");
}

TEST(MessageBoxes, ConsoleBoxesAnswerAsToldAndPrintErrors) {
  ConsoleMessageBoxes yes(Answer::Yes);
  EXPECT_EQ(yes.Ask("Fullscreen ?"), Answer::Yes);
  testing::internal::CaptureStderr();
  yes.ShowError("Effects failed.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Q U O R B E L: Effects failed.\n");
}

}  // namespace
