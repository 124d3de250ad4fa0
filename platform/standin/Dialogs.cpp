// Message boxes are recorded and answered from a queue; resources come from
// what the test put there.
#include <deque>
#include <map>
#include <mutex>

#include "platform/Dialogs.h"
#include "platform/Resources.h"
#include "platform/standin/Standin.h"

namespace {
std::mutex lock;
std::vector<standin::MessageBoxRecord> boxes;
std::deque<int> answers;
std::map<int, std::string> rcData;
}  // namespace

namespace os {

int MessageBoxA(HWND, const std::string& text, const std::string& caption, DWORD type) {
  std::lock_guard<std::mutex> guard(lock);
  boxes.push_back({text, caption, type});
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
}

void SetRcData(int id, std::string bytes) {
  std::lock_guard<std::mutex> guard(lock);
  rcData[id] = std::move(bytes);
}

}  // namespace standin
