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

TEST(LockTest, OnlyTheHolderSeesTheLockAsItsOwnUntilItsLastRelease) {
  Lock lock;
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
  lock.HoldLock();
  ASSERT_TRUE(lock.TryHoldLock());
  std::atomic<int> otherSaw{-1};
  std::thread other([&] { otherSaw = lock.IsHeldByCurrentThread() ? 1 : 0; });
  other.join();
  EXPECT_EQ(otherSaw.load(), 0);
  lock.ReleaseLock();
  EXPECT_TRUE(lock.IsHeldByCurrentThread()) << "one release of two";
  lock.ReleaseLock();
  EXPECT_FALSE(lock.IsHeldByCurrentThread());

  // While another thread holds it, this one's try fails and it is not ours.
  std::atomic<bool> held{false}, done{false};
  std::thread holder([&] {
    lock.HoldLock();
    held = true;
    while (!done.load()) std::this_thread::yield();
    lock.ReleaseLock();
  });
  while (!held.load()) std::this_thread::yield();
  EXPECT_FALSE(lock.IsHeldByCurrentThread());
  EXPECT_FALSE(lock.TryHoldLock());
  done = true;
  holder.join();
  EXPECT_TRUE(lock.TryHoldLock());
  EXPECT_TRUE(lock.IsHeldByCurrentThread());
  lock.ReleaseLock();
}

}  // namespace
