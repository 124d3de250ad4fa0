// Message boxes are recorded and answered from a queue; resources come from
// what the test put there.
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "platform/Dialogs.h"
#include "platform/Resources.h"
#include "platform/standin/Standin.h"

namespace {
std::mutex lock;
std::vector<standin::MessageBoxRecord> boxes;
std::deque<int> answers;
std::function<int(const standin::MessageBoxRecord&)> boxResponder;
std::vector<os::DWORD> beeps;
std::map<int, std::string> rcData;
}  // namespace

namespace os {

int MessageBoxA(HWND, const std::string& text, const std::string& caption, DWORD type) {
  std::unique_lock<std::mutex> guard(lock);
  boxes.push_back({text, caption, type});
  if (boxResponder) {
    auto responder = boxResponder;
    const standin::MessageBoxRecord record = boxes.back();
    guard.unlock();  // the responder may look at the recorded boxes
    return responder(record);
  }
  if (!answers.empty()) {
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (type & 0x0F) {
    case MB_YESNO:
      return IDYES;
    default:
      return IDOK;
  }
}

bool MessageBeep(DWORD type) {
  std::lock_guard<std::mutex> guard(lock);
  beeps.push_back(type);
  return true;
}

std::string_view LoadRcData(int id) {
  std::lock_guard<std::mutex> guard(lock);
  auto found = rcData.find(id);
  return found == rcData.end() ? std::string_view() : std::string_view(found->second);
}

}  // namespace os

namespace standin {

std::vector<MessageBoxRecord>& MessageBoxes() { return boxes; }

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> guard(lock);
  answers.push_back(answer);
}

void ResetDialogs() {
  std::lock_guard<std::mutex> guard(lock);
  boxes.clear();
  answers.clear();
  beeps.clear();
  boxResponder = nullptr;
}

void SetMessageBoxResponder(std::function<int(const MessageBoxRecord&)> responder) {
  std::lock_guard<std::mutex> guard(lock);
  boxResponder = std::move(responder);
}

std::vector<os::DWORD> Beeps() {
  std::lock_guard<std::mutex> guard(lock);
  return beeps;
}

void SetRcData(int id, std::string bytes) {
  std::lock_guard<std::mutex> guard(lock);
  rcData[id] = std::move(bytes);
}

}  // namespace standin
