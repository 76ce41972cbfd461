#include "core/ZThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/CallTrace.h"
#include "core/EventOgolny.h"
#include "core/Exception.h"
#include "support/LogCapture.h"

namespace {

// A body that waits for its stop request, or fails, or ignores the request for a while.
class Worker : public ZThread {
 public:
  enum class Mode { kObedient, kRaising, kDeaf };
  explicit Worker(Mode mode) : mode_(mode) {}
  ~Worker() override { Finish(); }

  int Run() override {
    KG_TRACE("Worker::Run()");
    ranOn = static_cast<unsigned>(gettid());
    switch (mode_) {
      case Mode::kObedient:
        stop_.Wait(-1);
        return 7;
      case Mode::kRaising:
        KG_ERROR("boom");
      case Mode::kDeaf:
        while (!StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        deafEnded = true;
        return 0;
    }
    return 0;
  }
  void RequestStop() override { stop_.Set(); }

  std::atomic<unsigned> ranOn{0};
  std::atomic<bool> deafEnded{false};

 private:
  Mode mode_;
  EventManual stop_;
};

}  // namespace

TEST(ZThread, StartRunFinish) {
  LogCapture capture;
  Worker worker(Worker::Mode::kObedient);
  EXPECT_EQ(worker.ExitCode(), -1);
  worker.Start("worker");
  EXPECT_EQ(worker.Name(), "worker");
  EXPECT_NE(worker.GetThreadId(), 0u);
  worker.Finish();
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(worker.ExitCode(), 7);
  EXPECT_EQ(worker.GetThreadId(), worker.ranOn.load());
  worker.Finish();  // a finished thread: nothing happens
  EXPECT_EQ(capture.Text(), "");
}

TEST(ZThread, SecondStartAndUnstartedQueriesRaise) {
  LogCapture capture;
  Worker worker(Worker::Mode::kObedient);
  try {
    worker.GetThreadId();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("thread not started in file \"ZThread.cpp\"", 0), 0u) << e.Message();
  }
  worker.Start("first");
  try {
    worker.Start("second");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("second thread already started in file ", 0), 0u) << e.Message();
  }
}

TEST(ZThread, NeverStartedLogsOnFinishAndOnDestruction) {
  LogCapture capture;
  {
    Worker worker(Worker::Mode::kObedient);
    worker.Finish();
    EXPECT_FALSE(worker.Finished());
  }  // ~Worker calls Finish again, then ~ZThread logs
  const String text = capture.Text();
  size_t count = 0;
  for (size_t at = text.find("\tthread not started\t"); at != String::npos; at = text.find("\tthread not started\t", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 3u) << text;
}

TEST(ZThread, ARaisingBodyEndsWithCodeOneAndOneLogLine) {
  LogCapture capture;
  Worker worker(Worker::Mode::kRaising);
  worker.Start("failing");
  worker.Finish();
  EXPECT_EQ(worker.ExitCode(), 1);
  const String text = capture.Text();
  const String expected = "\texception in thread failing: Worker::Run() -> boom in file \"ZThread_test.cpp\" line ";
  EXPECT_NE(text.find(expected), String::npos) << text;
  EXPECT_NE(text.find(". Stopping thread.\t\t\t(ZThread.cpp, line "), String::npos) << text;
}

TEST(ZThread, ABodyThatIgnoresTheRequestIsLetGoAfterTheTimeOut) {
  LogCapture capture;
  auto worker = std::make_unique<Worker>(Worker::Mode::kDeaf);
  worker->SetStopTimeout(100);
  worker->Start("deaf");
  worker->Finish();
  EXPECT_TRUE(worker->Finished());
  EXPECT_NE(capture.Text().find("\tthread deaf is running, terminating. >"), String::npos) << capture.Text();
  // The body sees the request through StopRequested() and ends on its own.
  for (int i = 0; i < 400 && !worker->deafEnded; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(worker->deafEnded);
}

TEST(ZThread, FinishWaitsFiveSecondsByDefaultBeforeLettingGo) {
  LogCapture capture;
  Worker worker(Worker::Mode::kDeaf);
  worker.Start("slow");
  const auto start = std::chrono::steady_clock::now();
  worker.Finish();
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(5000));
  EXPECT_NE(capture.Text().find("\tthread slow is running, terminating. >"), String::npos);
  for (int i = 0; i < 400 && !worker.deafEnded; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
