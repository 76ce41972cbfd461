#include "core/ZThread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "core/CallTrace.h"
#include "core/EventOgolny.h"
#include "core/Exception.h"
#include "core/Log.h"

// What the running body shares with its owner; it outlives the object when a body that
// ignored its stop request is let go.
struct ZThread::Shared {
  EventManual started;
  EventManual done;
  std::atomic<unsigned> threadId{0};
  std::atomic<int> exitCode{-1};
  std::atomic<bool> abandoned{false};
  ZThread* owner = nullptr;
  String name;  // a copy the body can read even after its object is gone
};

ZThread::ZThread() : shared_(std::make_shared<Shared>()) { shared_->owner = this; }

ZThread::~ZThread() {
  if (!started_) {
    Log(2, "thread not started", KG_WHERE);
  } else if (!finished_) {
    Log(2, "thread " + name_ + " not finished", KG_WHERE);
    shared_->abandoned = true;
    pthread_detach(handle_);
  }
}

void* ZThread::startRoutine(void* parameter) {
  if (parameter == nullptr) KG_ASSERTION("This==0");
  std::shared_ptr<Shared> shared = *static_cast<std::shared_ptr<Shared>*>(parameter);
  delete static_cast<std::shared_ptr<Shared>*>(parameter);
  shared->threadId = static_cast<unsigned>(syscall(SYS_gettid));
  shared->started.Set();
  ZThread* self = shared->owner;
  TraceMarkDepth();
  int code = 1;
  try {
    code = self->Run();
  } catch (const Exception& e) {
    Log(2, "exception in thread " + shared->name + ": " + CallTraceText() + " -> " + e.Message() + ". Stopping thread.",
        KG_WHERE);
    TraceReturnToMark();
  } catch (const std::exception& e) {
    Log(2, "exception in thread " + shared->name + ": " + CallTraceText() + " -> " + e.what() + ". Stopping thread.",
        KG_WHERE);
    TraceReturnToMark();
  }
  shared->exitCode = code;
  shared->done.Set();
  return nullptr;
}

void ZThread::Start(const String& name) {
  if (started_) KG_ERROR(name + " thread already started");
  auto* parameter = new std::shared_ptr<Shared>(shared_);
  // The name is stored before the body may read it in its failure line.
  name_ = name;
  shared_->name = name;
  const int result = pthread_create(&handle_, nullptr, &ZThread::startRoutine, parameter);
  if (result != 0) {
    delete parameter;
    name_.clear();
    RaiseSystemError(result, __FILE__, __LINE__);
  }
  started_ = true;
  shared_->started.Wait(-1);
  threadId_ = shared_->threadId;
}

unsigned ZThread::GetThreadId() const {
  if (!started_) KG_ERROR("thread not started");
  return threadId_;
}

int ZThread::ExitCode() const { return finished_ ? shared_->exitCode.load() : -1; }

bool ZThread::StopRequested() const { return shared_->abandoned.load(); }

void ZThread::Finish() {
  if (finished_) return;
  if (!started_) {
    Log(2, "thread not started", KG_WHERE);
    return;
  }
  try {
    RequestStop();
    if (shared_->done.WaitFor(stopTimeout_)) {
      pthread_join(handle_, nullptr);
    } else {
      Log(2, "thread " + name_ + " is running, terminating. >" + CallTraceText(), KG_WHERE);
      // No forced termination here: the body is told to stop and left to end on its own.
      shared_->abandoned = true;
      pthread_detach(handle_);
    }
    finished_ = true;
  } catch (const Exception& e) {
    Log(2, "thread " + name_ + " finish failed" + e.Message(), KG_WHERE);
  }
}
