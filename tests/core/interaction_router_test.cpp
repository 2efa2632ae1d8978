#include "interaction/MouseCaptureRouter.h"

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

TEST(MouseCaptureRouter, OnePressOwnsTheMouseUntilItsOwnRelease) {
    MouseCaptureRouter router;
    EXPECT_EQ(router.ActiveView(), MouseCaptureRouter::kNoView);
    ASSERT_TRUE(router.BeginCapture(1, MouseButton::Right));
    EXPECT_TRUE(router.IsActive(1, MouseButton::Right));
    EXPECT_FALSE(router.IsActive(1, MouseButton::Left));
    EXPECT_FALSE(router.IsActive(0));

    // Presses while a view is active are ignored, on the same view or another.
    EXPECT_FALSE(router.BeginCapture(0, MouseButton::Left));
    EXPECT_FALSE(router.BeginCapture(1, MouseButton::Left));
    EXPECT_TRUE(router.IsActive(1, MouseButton::Right));

    // Only the same button released on the same view ends the capture.
    EXPECT_FALSE(router.EndCapture(1, MouseButton::Left));
    EXPECT_FALSE(router.EndCapture(0, MouseButton::Right));
    EXPECT_TRUE(router.IsActive(1));
    EXPECT_TRUE(router.EndCapture(1, MouseButton::Right));
    EXPECT_EQ(router.ActiveView(), MouseCaptureRouter::kNoView);
    EXPECT_FALSE(router.EndCapture(1, MouseButton::Right));

    ASSERT_TRUE(router.BeginCapture(0, MouseButton::Left));
    EXPECT_TRUE(router.IsActive(0, MouseButton::Left));
}

TEST(MouseCaptureRouter, OtherButtonsCaptureLikeTheRest) {
    MouseCaptureRouter router;
    ASSERT_TRUE(router.BeginCapture(0, MouseButton::Other));
    EXPECT_FALSE(router.IsActive(0, MouseButton::Left));
    EXPECT_FALSE(router.BeginCapture(0, MouseButton::Left));
    EXPECT_TRUE(router.EndCapture(0, MouseButton::Other));
}

TEST(MouseCaptureRouter, NoViewIsNeverActive) {
    MouseCaptureRouter router;
    EXPECT_FALSE(router.BeginCapture(MouseCaptureRouter::kNoView, MouseButton::Left));
    EXPECT_FALSE(router.IsActive(MouseCaptureRouter::kNoView));
    EXPECT_TRUE(router.BeginCapture(0, MouseButton::Left));
}

}  // namespace
}  // namespace tonalyx
