// GoogleTest's own settings for the Windows builds. Their toolchain has the
// win32 thread model, whose standard library has no std::mutex, so the one
// class GoogleTest builds on it, Notification, comes from here; its mutexes
// and thread-local slots stay on Win32 calls. Our tests start no threads:
// the wait only has to be correct, not frugal.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { m_notified.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!m_notified.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> m_notified{false};
};

}  // namespace internal
}  // namespace testing
