// The setup dialog's reading of its radio buttons, including the states a
// keyboard choice leaves behind (checked and focused).
#include "app/display_choice.h"

#include <gtest/gtest.h>

namespace {

// BM_GETSTATE bits: checked, pushed, focused.
constexpr unsigned int CHECKED = 0x0001u;
constexpr unsigned int PUSHED = 0x0004u;
constexpr unsigned int FOCUSED = 0x0008u;

void ExpectSettings(const DisplaySettings& got, int width, int height, int viewport, int fullscreen)
{
    EXPECT_EQ(got.windowWidth, width);
    EXPECT_EQ(got.windowHeight, height);
    EXPECT_EQ(got.viewportHeight, viewport);
    EXPECT_EQ(got.fullscreen, fullscreen);
}

TEST(DisplayChoice, PreselectionGivesWideFullscreen)
{
    ExpectSettings(ChooseDisplaySettings(CHECKED, CHECKED), 1280, 720, 720, 1);
}

TEST(DisplayChoice, FourThreeWindowed)
{
    ExpectSettings(ChooseDisplaySettings(0, 0), 1024, 768, 576, 0);
    ExpectSettings(ChooseDisplaySettings(0, CHECKED), 1024, 768, 576, 1);
    ExpectSettings(ChooseDisplaySettings(CHECKED, 0), 1280, 720, 720, 0);
}

TEST(DisplayChoice, AKeyboardChoiceStillCounts)
{
    // A radio button chosen with the arrow keys keeps the focus: checked and
    // focused (9) is still the user's choice.
    ExpectSettings(ChooseDisplaySettings(CHECKED | FOCUSED, CHECKED), 1280, 720, 720, 1);
    ExpectSettings(ChooseDisplaySettings(CHECKED, CHECKED | FOCUSED), 1280, 720, 720, 1);
    ExpectSettings(ChooseDisplaySettings(CHECKED | FOCUSED | PUSHED, CHECKED), 1280, 720, 720, 1);
    // Focus without the check is not a choice.
    ExpectSettings(ChooseDisplaySettings(FOCUSED, FOCUSED), 1024, 768, 576, 0);
}

}  // namespace
