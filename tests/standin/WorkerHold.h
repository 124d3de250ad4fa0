#pragma once
// Holds the extraction worker at a chosen synchronized call, so that what a
// test does meanwhile (cancel, fail, answer) meets the worker at exactly
// that point, however fast either thread runs.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class WorkerHold {
 public:
  // From now on the worker stops before its synchronized call number call
  // (counted from 1 for each worker) until the hold is let go. With posted,
  // it is let go first, and the hold counts as reached once that call
  // waits in the queue for the dialog to run it. The hook goes with the
  // object.
  explicit WorkerHold(int call, bool posted = false);
  ~WorkerHold();
  WorkerHold(const WorkerHold&) = delete;
  WorkerHold& operator=(const WorkerHold&) = delete;

  // For the progress dialog's modal responder: once the worker has reached
  // the hold, runs act (at most once) and lets the worker go.
  void WhenReached(const std::function<void()>& act);
  bool Reached() const;

 private:
  struct State {
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    bool released = false;
  };
  void Release();

  std::shared_ptr<State> state_ = std::make_shared<State>();
  bool posted_;
  bool acted_ = false;
};
