// Worker threads and the calls they hand to the user-interface thread.
#include "platform/Threads.h"

#include <deque>
#include <memory>

#include "platform/Application.h"

namespace os {

namespace {

// Thrown in a worker whose synchronized call was dropped by the stop request.
struct Stopped {};

struct Call {
  std::function<void()> run;
  const TThread* owner;
  bool waited;  // a synchronized call: its worker waits for done
  bool done = false;
  bool dropped = false;
  std::exception_ptr error;
};

std::mutex queueLock;
std::condition_variable queueChanged;
std::deque<std::shared_ptr<Call>> queue;

// False when the owner was asked to stop: then the call is not queued. The
// check and the queueing happen under one lock, so Terminate's dropping of
// queued calls cannot miss one.
bool Post(const std::shared_ptr<Call>& call, const std::atomic<bool>& terminated) {
  {
    std::lock_guard<std::mutex> guard(queueLock);
    if (terminated) return false;
    queue.push_back(call);
  }
  queueChanged.notify_all();
  native::WakeMainThread();
  return true;
}

void DropCallsOf(const TThread* owner, std::atomic<bool>& terminated) {
  std::lock_guard<std::mutex> guard(queueLock);
  terminated = true;
  for (auto it = queue.begin(); it != queue.end();) {
    if ((*it)->owner == owner) {
      (*it)->dropped = true;
      it = queue.erase(it);
    } else {
      ++it;
    }
  }
  queueChanged.notify_all();
}

}  // namespace

bool RunPostedCalls() {
  bool ran = false;
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> guard(queueLock);
      if (queue.empty()) return ran;
      call = queue.front();
      queue.pop_front();
    }
    ran = true;
    try {
      call->run();
    } catch (...) {
      call->error = std::current_exception();
      if (!call->waited) {
        try {
          std::rethrow_exception(call->error);
        } catch (const std::exception& e) {
          Application.ShowException(e);
        }
      }
    }
    {
      std::lock_guard<std::mutex> guard(queueLock);
      call->done = true;
      // Let go of it before the waiting worker wakes: what it carries (an
      // error, thrown here) is then destroyed on the worker, never on this
      // thread while the worker still reads it.
      call.reset();
    }
    queueChanged.notify_all();
  }
}

bool WaitForPostedCalls(int milliseconds) {
  std::unique_lock<std::mutex> guard(queueLock);
  return queueChanged.wait_for(guard, std::chrono::milliseconds(milliseconds),
                               [] { return !queue.empty(); });
}

TThread::TThread() = default;

TThread::~TThread() {
  Terminate();
  WaitFor();
}

void TThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TThread::Run() {
  try {
    Execute();
  } catch (const Stopped&) {
    // Ended by the stop request: nothing to report.
  } catch (...) {
    HandleError(std::current_exception());
  }
  finished_ = true;
}

void TThread::Terminate() {
  DropCallsOf(this, terminated_);
  {
    std::lock_guard<std::mutex> guard(gateLock_);
    suspended_ = false;
  }
  gateOpen_.notify_all();
}

void TThread::Suspend() {
  std::lock_guard<std::mutex> guard(gateLock_);
  suspended_ = true;
}

void TThread::Resume() {
  {
    std::lock_guard<std::mutex> guard(gateLock_);
    suspended_ = false;
  }
  gateOpen_.notify_all();
}

void TThread::WaitFor() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TThread::PassGate() {
  std::unique_lock<std::mutex> guard(gateLock_);
  gateOpen_.wait(guard, [this] { return !suspended_; });
  if (terminated_) throw Stopped();
}

namespace {
std::function<void(int)> beforeSynchronize;
}  // namespace

void SetBeforeSynchronizeHookForTesting(std::function<void(int call)> hook) {
  beforeSynchronize = std::move(hook);
}

void TThread::Synchronize(const std::function<void()>& step) {
  if (beforeSynchronize) beforeSynchronize(++calls_);
  PassGate();
  // Not make_shared: without RTTI it pulls in the library's shared_ptr
  // support and its mutex pool.
  std::shared_ptr<Call> call(new Call());
  call->run = step;
  call->owner = this;
  call->waited = true;
  if (!Post(call, terminated_)) throw Stopped();
  std::unique_lock<std::mutex> guard(queueLock);
  queueChanged.wait(guard, [&] { return call->done || call->dropped; });
  if (call->dropped) throw Stopped();
  if (call->error) std::rethrow_exception(call->error);
}

void TThread::Queue(std::function<void()> call) {
  std::shared_ptr<Call> posted(new Call());
  posted->run = std::move(call);
  posted->owner = this;
  posted->waited = false;
  Post(posted, terminated_);
}

void TThread::HandleError(std::exception_ptr error) {
  // Its message, read here: the exception object stays on this thread.
  Queue([message = MessageOf(error)] { Application.ShowErrorMessage(message); });
}

}  // namespace os
