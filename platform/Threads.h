#pragma once
// Worker threads whose every action that touches the user interface, a file
// or the install log runs on the user-interface thread (Synchronize), so
// nothing else needs a lock. Suspending is a gate the worker passes before
// each synchronized call, never a halt in the middle of whatever it does.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace os {

class TThread {
 public:
  TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // Asks the worker to stop and waits for it.
  virtual ~TThread();

  // Starts the worker running Execute.
  void Start();
  // The stop request: calls the worker has asked for and not yet had run are
  // dropped, later ones are not run, and a worker held at the gate ends.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Holds the worker before its next synchronized call; it may still be
  // running one already asked for.
  void Suspend();
  void Resume();
  bool Finished() const { return finished_; }
  // Waits until the worker has ended (call from the user-interface thread
  // only after Terminate, or once the worker is known to end by itself).
  void WaitFor();

 protected:
  virtual void Execute() = 0;
  // Runs step on the user-interface thread and waits for it; an exception
  // it raises is raised again here. After the stop request it does not run
  // step and ends the worker instead.
  void Synchronize(const std::function<void()>& step);
  // Hands call to the user-interface thread without waiting.
  void Queue(std::function<void()> call);
  // The worker ended with this error; by default it is shown to the user.
  virtual void HandleError(std::exception_ptr error);

 private:
  void Run();
  void PassGate();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::mutex gateLock_;
  std::condition_variable gateOpen_;
  bool suspended_ = false;
  int calls_ = 0;  // synchronized calls asked for, for the test hook
};

// For tests: called on a worker before each of its synchronized calls, with
// the call's number (from 1, per worker); a test holds the worker at a
// chosen call by not returning. nullptr (the default): no hook.
void SetBeforeSynchronizeHookForTesting(std::function<void(int call)> hook);

// On the user-interface thread: runs the calls workers have handed over;
// true when it ran any.
bool RunPostedCalls();
// Waits up to milliseconds for a call to arrive; true when one is waiting.
bool WaitForPostedCalls(int milliseconds);

namespace native {
// Makes the user-interface thread's message loop run the posted calls soon.
void WakeMainThread();
}  // namespace native

}  // namespace os
