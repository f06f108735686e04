// The display facts the hardware detection relies on: the clean-boot state
// and the display devices, with the single-display stand-by where the
// system has no multiple-monitor functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_environment.h"
#include "platform/ascii_text.h"

namespace {

class DisplayConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = conformance::MakeEnvironment(); }
  std::unique_ptr<conformance::Environment> m_env;
};

TEST_F(DisplayConformanceTest, ANormalStartIsNoCleanBoot) {
  EXPECT_EQ(conformance::Interfaces().System().GetSystemMetrics(SM_CLEANBOOT), 0);
  EXPECT_GT(conformance::Interfaces().System().GetSystemMetrics(SM_CXSCREEN), 0);
  // Zero where the system knows no virtual screen; otherwise it holds the screen.
  const int virtualWidth = conformance::Interfaces().System().GetSystemMetrics(SM_CXVIRTUALSCREEN);
  if (virtualWidth != 0) {
    EXPECT_GE(virtualWidth, conformance::Interfaces().System().GetSystemMetrics(SM_CXSCREEN));
  }
}

TEST_F(DisplayConformanceTest, TheFirstDisplayDeviceShowsTheDesktopAndTheNumbersRunOut) {
  platform::DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  ASSERT_TRUE(conformance::Interfaces().System().EnumDisplayDevicesA(0, device));
  const std::string name(device.DeviceName, strnlen(device.DeviceName, sizeof device.DeviceName));
  EXPECT_TRUE(ascii::EqualNoCase(name.substr(0, 11), "\\\\.\\DISPLAY")) << name;
  EXPECT_NE(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP, 0u) << device.StateFlags;
  device.cb = sizeof device;
  EXPECT_FALSE(conformance::Interfaces().System().EnumDisplayDevicesA(64, device));
}

}  // namespace
