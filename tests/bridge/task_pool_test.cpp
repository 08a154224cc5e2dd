// The background pool: grows when every thread is busy, reuses idle threads,
// stays within its bound and finishes what it was given.
#include "bridge/task_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "support/gate.h"

namespace velmorin::bridge {
namespace {

using namespace std::chrono_literals;
using velmorin::testing::Gate;

bool eventually(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(TaskPool, BlockedTasksDoNotHoldBackNewOnes) {
  Gate gate;
  std::atomic<bool> ranFree{false};
  TaskPool pool(4);
  pool.submit([&] { gate.wait(); });
  pool.submit([&] { gate.wait(); });
  ASSERT_TRUE(gate.waitForWaiters(2));
  pool.submit([&] { ranFree = true; });
  EXPECT_TRUE(eventually([&] { return ranFree.load(); }));
  gate.open();
}

TEST(TaskPool, NeverStartsMoreThreadsThanItsBoundAndQueuesTheRest) {
  Gate gate;
  std::atomic<int> done{0};
  {
    TaskPool pool(3);
    for (int i = 0; i < 10; ++i) pool.submit([&] {
        gate.wait();
        ++done;
      });
    ASSERT_TRUE(gate.waitForWaiters(3));
    EXPECT_EQ(pool.threadCount(), 3u);
    EXPECT_EQ(pool.busy(), 10u);
    gate.open();
    EXPECT_TRUE(eventually([&] { return pool.busy() == 0; }));
  }
  EXPECT_EQ(done.load(), 10);
}

TEST(TaskPool, IdleThreadsAreReused) {
  TaskPool pool(8);
  for (int round = 0; round < 20; ++round) {
    std::atomic<bool> ran{false};
    pool.submit([&] { ran = true; });
    ASSERT_TRUE(eventually([&] { return ran.load() && pool.busy() == 0; }));
  }
  EXPECT_EQ(pool.threadCount(), 1u);
}

TEST(TaskPool, DestructionFinishesQueuedTasks) {
  std::atomic<int> done{0};
  {
    TaskPool pool(1);
    for (int i = 0; i < 50; ++i) pool.submit([&] { ++done; });
  }
  EXPECT_EQ(done.load(), 50);
}

TEST(TaskPool, AThrowingTaskDoesNotStopThePool) {
  std::atomic<bool> ran{false};
  TaskPool pool(1);
  pool.submit([] { throw std::runtime_error("x"); });
  pool.submit([&] { ran = true; });
  EXPECT_TRUE(eventually([&] { return ran.load() && pool.busy() == 0; }));
}

}  // namespace
}  // namespace velmorin::bridge
