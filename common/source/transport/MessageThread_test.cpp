#include "transport/MessageThread.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "core/CallTrace.h"
#include "core/EventOgolny.h"
#include "core/Exception.h"
#include "support/LogCapture.h"

namespace {

using namespace std::chrono_literals;

// Records what it is given; can be told to hold the loop inside OnMessage.
class Recorder : public MessageReceiver {
 public:
  void OnMessage(MSG& m) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      messages_.push_back(m);
    }
    changed_.notify_all();
    if (m.wParam == kHold) {
      entered.Set();
      release.Wait(-1);
    }
    if (m.wParam == kThrow) throw std::runtime_error("receiver failed");
  }
  std::vector<MSG> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  // Waits until `count` messages came; false after two seconds.
  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 2s, [&] { return messages_.size() >= count; });
  }

  static constexpr uintptr_t kHold = 0x7700000;
  static constexpr uintptr_t kThrow = 0x7800000;
  EventManual entered;
  EventManual release;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<MSG> messages_;
};

size_t Count(const String& text, const String& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != String::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(MessageThread, NumbersAreFreshAndInRange) {
  Recorder r;
  MessageThread thread;
  std::set<int> seen;
  for (int i = 0; i < 5000; ++i) {
    const int n = thread.Zarejestruj(&r);
    EXPECT_GE(n, 1026);
    EXPECT_LE(n, 32766);
    EXPECT_TRUE(seen.insert(n).second) << n << " handed out twice";
  }
}

TEST(MessageThread, DeliversPostedMessagesInOrderToTheirOwners) {
  Recorder a, b;
  MessageThread thread;
  const int na = thread.Zarejestruj(&a);
  const int nb = thread.Zarejestruj(&b);
  for (int i = 0; i < 100; ++i) thread.Post(i % 2 ? na : nb, static_cast<uintptr_t>(i), -i);
  ASSERT_TRUE(a.WaitFor(50));
  ASSERT_TRUE(b.WaitFor(50));
  const auto ma = a.Messages();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(ma[i].message, na);
    EXPECT_EQ(ma[i].wParam, static_cast<uintptr_t>(2 * i + 1));
    EXPECT_EQ(ma[i].lParam, -(2 * i + 1));
  }
}

TEST(MessageThread, UnknownNumbersAreReportedAndForeignOnesDropped) {
  LogCapture log;
  Recorder r;
  MessageThread thread;
  const int n = thread.Zarejestruj(&r);
  thread.Post(500);      // below the loop's range: dropped without a word
  thread.Post(0x8000);   // above it
  thread.Post(n == 1026 ? 1027 : 1026);  // in range, nobody's
  thread.Post(n);
  ASSERT_TRUE(r.WaitFor(1));
  thread.Synchronizuj();
  EXPECT_EQ(Count(log.Text(), "wrong message"), 1u) << log.Text();
}

// While the loop is held inside a handler, messages pile up; giving their number back
// drops all of them, silently, and the number is not handed out while they wait.
TEST(MessageThread, GivenBackNumbersLoseTheirPendingMessagesSilently) {
  LogCapture log;
  Recorder holder, gone, other;
  MessageThread thread;
  const int nh = thread.Zarejestruj(&holder);
  const int ng = thread.Zarejestruj(&gone);
  const int no = thread.Zarejestruj(&other);
  thread.Post(nh, Recorder::kHold);
  ASSERT_TRUE(holder.entered.WaitFor(2000));
  for (int i = 0; i < 5; ++i) thread.Post(ng);
  thread.Post(no);
  for (int i = 0; i < 5; ++i) thread.Post(ng);
  thread.Wyrejestruj(ng);
  holder.release.Set();
  ASSERT_TRUE(other.WaitFor(1));
  thread.Post(no);
  ASSERT_TRUE(other.WaitFor(2));
  thread.Synchronizuj();
  EXPECT_TRUE(gone.Messages().empty());
  EXPECT_EQ(Count(log.Text(), "wrong message"), 0u) << log.Text();
}

// With every number taken, a given-back number comes back only once the loop has purged
// it; until then there is none to give.
TEST(MessageThread, AGivenBackNumberIsReusedOnlyAfterItsPurge) {
  Recorder r;
  MessageThread thread;
  std::vector<int> all;
  for (int i = 0; i < 31741; ++i) all.push_back(thread.Zarejestruj(&r));
  EXPECT_THROW(thread.Zarejestruj(&r), Exception);
  const int back = all[123];
  thread.Wyrejestruj(back);
  EXPECT_THROW(thread.Zarejestruj(&r), Exception) << "still waiting for its purge";
  thread.Post(all[7]);
  ASSERT_TRUE(r.WaitFor(1));
  thread.Synchronizuj();
  EXPECT_EQ(thread.Zarejestruj(&r), back);
}

TEST(MessageThread, SynchronizujWaitsForTheMessageInHand) {
  Recorder r;
  MessageThread thread;
  const int n = thread.Zarejestruj(&r);
  thread.Post(n, Recorder::kHold);
  ASSERT_TRUE(r.entered.WaitFor(2000));
  std::atomic<bool> synchronised{false};
  std::thread waiter([&] {
    thread.Synchronizuj();
    synchronised = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(synchronised);
  r.release.Set();
  waiter.join();
  EXPECT_TRUE(synchronised);
}

TEST(MessageThread, AFailingReceiverDoesNotStopTheLoop) {
  LogCapture log;
  Recorder r;
  MessageThread thread;
  const int n = thread.Zarejestruj(&r);
  thread.Post(n, Recorder::kThrow);
  thread.Post(n);
  ASSERT_TRUE(r.WaitFor(2));
  thread.Synchronizuj();
  EXPECT_NE(log.Text().find("receiver failed"), String::npos);
}

TEST(MessageThread, OknoIsMadeOnceFromAnyThreadAndStopEndsTheLoop) {
  auto thread = std::make_unique<MessageThread>();
  std::vector<int> seen(4, -1);
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i) callers.emplace_back([&, i] { seen[i] = thread->Okno(); });
  for (auto& c : callers) c.join();
  EXPECT_GE(seen[0], 0);
  for (int s : seen) EXPECT_EQ(s, seen[0]);

  // The loop's own thread makes it at once instead of waiting for itself.
  class MakesWindow : public MessageReceiver {
   public:
    explicit MakesWindow(MessageThread* t) : thread_(t) {}
    void OnMessage(MSG&) override { window = thread_->Okno(); }
    MessageThread* thread_;
    std::atomic<int> window{-2};
  };
  MessageThread second;
  MakesWindow maker(&second);
  second.Post(second.Zarejestruj(&maker));
  for (int i = 0; i < 200 && maker.window == -2; ++i) std::this_thread::sleep_for(5ms);
  second.Synchronizuj();
  EXPECT_GE(maker.window.load(), 0);

  thread->Finish();
  EXPECT_EQ(thread->ExitCode(), 0);
  EXPECT_THROW(thread->Post(1100), Exception);
}

TEST(MessageThread, OknoAfterTheLoopEndedRaisesInsteadOfWaiting) {
  MessageThread thread;
  thread.Finish();
  EXPECT_THROW(thread.Okno(), Exception);
}

// Registering, posting and giving back from several threads at once while the loop
// delivers: nothing is delivered to a receiver after it gave its number back and
// synchronised, and nothing is reported as a wrong message.
TEST(MessageThread, ManyMessagesInFlightWhileReceiversComeAndGo) {
  LogCapture log;
  Recorder r;
  MessageThread thread;
  class Guarded : public MessageReceiver {
   public:
    void OnMessage(MSG&) override {
      if (!alive.load()) late = true;
      ++count;
    }
    std::atomic<bool> alive{true};
    std::atomic<bool> late{false};
    std::atomic<int> count{0};
  };
  std::atomic<bool> failed{false};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&] {
      for (int round = 0; round < 200; ++round) {
        Guarded g;
        const int n = thread.Zarejestruj(&g);
        for (int i = 0; i < 20; ++i) thread.Post(n);
        thread.Wyrejestruj(n);
        thread.Synchronizuj();
        g.alive = false;
        if (g.late) failed = true;
      }
    });
  }
  for (auto& w : workers) w.join();
  // A last message makes the loop purge what is left of the given-back numbers.
  thread.Post(thread.Zarejestruj(&r));
  ASSERT_TRUE(r.WaitFor(1));
  thread.Synchronizuj();
  EXPECT_FALSE(failed);
  EXPECT_EQ(Count(log.Text(), "wrong message"), 0u);
}

}  // namespace

namespace {

// Each message runs traced code that fails; the receiver notes the chain it starts with.
// The loop thread appends to the notes while the test reads them: both under `mutex`.
class FailingReceiver : public MessageReceiver {
 public:
  void OnMessage(MSG&) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      chains.push_back(CallTraceText());
    }
    changed.notify_all();
    Fail();
  }
  static void Fail() {
    KG_TRACE("FailingReceiver::Fail()");
    KG_ERROR("handler failed");
  }
  // The chains noted once `count` messages came, or after two seconds those there are.
  std::vector<String> WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, std::chrono::seconds(2), [&] { return chains.size() >= count; });
    return chains;
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<String> chains;
};

}  // namespace

TEST(MessageThread, AFailedHandlerLeavesNoEntriesOnTheLoopsCallChain) {
  LogCapture capture;
  MessageThread thread;
  FailingReceiver r;
  const int n = thread.Zarejestruj(&r);
  for (int i = 0; i < 3; ++i) thread.Post(n);
  const std::vector<String> chains = r.WaitFor(3);
  thread.Synchronizuj();
  ASSERT_EQ(chains.size(), 3u);
  EXPECT_EQ(chains[1], chains[0]);
  EXPECT_EQ(chains[2], chains[0]);
  EXPECT_EQ(chains[0].find("FailingReceiver::Fail()"), String::npos) << chains[0];
  thread.Wyrejestruj(n);
}
