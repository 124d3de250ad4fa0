// The headless application: no windows, so nothing waits for messages.
#include "platform/Application.h"

#include "platform/standin/Standin.h"

namespace standin {
namespace {
std::function<void()> pumpHook;
}
void OnMessagePump(std::function<void()> hook) { pumpHook = std::move(hook); }
void MessagePump() {
  if (pumpHook) pumpHook();
}
}  // namespace standin

namespace os {

void TApplication::Initialize() {}

void TApplication::CreateHandle() {}

void TApplication::ProcessMessages() { standin::MessagePump(); }

void TApplication::Run() { terminated_ = true; }

void TApplication::Terminate() { terminated_ = true; }

}  // namespace os
