#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ECriticalSection.h"
#include "EventOgolny.h"
#include "Mutex.h"

TEST(Events, WaitWithTimeOutAndResetKinds) {
  EventManual manual;
  EXPECT_FALSE(manual.WaitFor(0));
  manual.Wait(0);  // returns at once without raising
  manual.Set();
  EXPECT_TRUE(manual.WaitFor(0));
  EXPECT_TRUE(manual.WaitFor(0)) << "manual events stay set";
  manual.Reset();
  EXPECT_FALSE(manual.WaitFor(0));

  EventAutomatic automatic;
  automatic.Set();
  EXPECT_TRUE(automatic.WaitFor(0));
  EXPECT_FALSE(automatic.WaitFor(0)) << "an automatic event lets one waiter through";
}

TEST(Events, SetWakesAWaiterOnAnotherThread) {
  EventAutomatic event;
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    event.Wait(-1);
    woke = true;
  });
  event.Set();
  waiter.join();
  EXPECT_TRUE(woke);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  ECriticalSection section;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        Synchronized outer(&section);
        Synchronized inner(&section);
        ++counter;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
}

TEST(Mutex, TwoObjectsOfOneNameInTwoThreadsExcludeEachOther) {
  const String name = "kgtest-" + std::to_string(getpid());
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        Mutex mutex(name);
        mutex.Wait();
        const int now = ++inside;
        if (now > maxInside) maxInside = now;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        --inside;
        mutex.Release();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(maxInside, 1);
}
