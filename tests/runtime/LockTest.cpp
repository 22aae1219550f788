#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Helpers/Lock.h"

namespace {

// Only the holder sees the lock as its own, until as many releases as it
// made holds (a try included); meanwhile another thread neither enters nor
// gets it by a try.
TEST(LockTest, RecursiveHoldNeedsEqualReleasesBeforeAnotherThreadEnters) {
  Lock lock;
  std::atomic<int> stage{0};
  std::atomic<bool> otherEntered{false}, otherSawItsOwn{true}, done{false};

  EXPECT_FALSE(lock.IsHeldByCurrentThread());
  lock.HoldLock();
  lock.HoldLock();
  ASSERT_TRUE(lock.TryHoldLock());
  std::thread other([&] {
    otherSawItsOwn = lock.IsHeldByCurrentThread();
    stage = 1;
    lock.HoldLock();
    otherEntered = true;
    while (!done.load()) std::this_thread::yield();
    lock.ReleaseLock();
  });
  while (stage.load() == 0) std::this_thread::yield();
  EXPECT_FALSE(otherSawItsOwn.load());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherEntered.load());
  lock.ReleaseLock();
  lock.ReleaseLock();
  EXPECT_TRUE(lock.IsHeldByCurrentThread()) << "two releases of three";
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(otherEntered.load()) << "two releases of three must keep the lock held";
  lock.ReleaseLock();
  while (!otherEntered.load()) std::this_thread::yield();
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
  EXPECT_FALSE(lock.TryHoldLock());
  done = true;
  other.join();
  EXPECT_TRUE(lock.TryHoldLock());
  EXPECT_TRUE(lock.IsHeldByCurrentThread());
  lock.ReleaseLock();
}

}  // namespace
