// The stand-in's faults: the nth change made to fail, as a full disk or a denied write would.
#include "platform/standin/Faults.h"

#include <atomic>

#include "platform/standin/Standin.h"

namespace {
std::atomic<long> calls{0};
std::atomic<long> failAt{0};
}  // namespace

namespace standin {

namespace faults {
bool Strike() { return ++calls == failAt.load(); }
}  // namespace faults

void FailNthChange(long n) {
  calls = 0;
  failAt = n;
}

long ChangesCounted() { return calls; }

}  // namespace standin
