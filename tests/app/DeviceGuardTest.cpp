#include "app/AppState.h"

#include <gtest/gtest.h>

namespace {

// Everything runs on one thread: an operation started while another runs (a click while a box is
// up) must be refused at once, and its refusal must not free the running one's guard.
TEST(DeviceGuard, ANestedOperationIsRefusedAndTheGuardIsFreeAfterwards)
{
    AppState app;
    {
        DeviceGuard first(app);
        EXPECT_TRUE(first.Acquired());
        {
            DeviceGuard nested(app);
            EXPECT_FALSE(nested.Acquired());
        }
        EXPECT_TRUE(app.deviceSemaphore);
        EXPECT_FALSE(DeviceGuard(app).Acquired());
    }
    EXPECT_FALSE(app.deviceSemaphore);
    EXPECT_TRUE(DeviceGuard(app).Acquired());
}

} // namespace
