#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Helpers/Lock.h"

namespace {

TEST(LockTest, RecursiveHoldNeedsEqualReleasesBeforeAnotherThreadEnters) {
  Lock lock;
  std::atomic<int> stage{0};
  std::atomic<bool> otherEntered{false};

  lock.HoldLock();
  lock.HoldLock();
  std::thread other([&] {
    stage = 1;
    lock.HoldLock();
    otherEntered = true;
    lock.ReleaseLock();
  });
  while (stage.load() == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherEntered.load());
  lock.ReleaseLock();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherEntered.load()) << "one release of two must keep the lock held";
  lock.ReleaseLock();
  other.join();
  EXPECT_TRUE(otherEntered.load());
  EXPECT_TRUE(lock.TryHoldLock());
  lock.ReleaseLock();
}

}  // namespace
