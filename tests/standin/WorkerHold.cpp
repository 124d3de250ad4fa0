#include "tests/standin/WorkerHold.h"

#include <gtest/gtest.h>

#include "platform/Threads.h"

WorkerHold::WorkerHold(int call, bool posted) : posted_(posted) {
  std::shared_ptr<State> state = state_;
  os::SetBeforeSynchronizeHookForTesting([state, call](int n) {
    if (n != call) return;
    std::unique_lock<std::mutex> guard(state->lock);
    state->held = true;
    state->changed.wait(guard, [&] { return state->released; });
  });
}

WorkerHold::~WorkerHold() {
  Release();  // first: a held worker is inside the hook
  os::SetBeforeSynchronizeHookForTesting(nullptr);
}

void WorkerHold::Release() {
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->released = true;
  state_->changed.notify_all();
}

bool WorkerHold::Reached() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->held;
}

void WorkerHold::WhenReached(const std::function<void()>& act) {
  if (acted_ || !Reached()) return;
  acted_ = true;
  if (!posted_) {
    act();
    return Release();
  }
  Release();
  // Only the dialog runs posted calls: once there, the call stays.
  ASSERT_TRUE(os::WaitForPostedCalls(60000)) << "the held call was never posted";
  act();
}
