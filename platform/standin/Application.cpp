// The headless application: no windows, so nothing waits for messages.
#include "platform/Application.h"

namespace os {

void TApplication::Initialize() {}

void TApplication::CreateHandle() {}

void TApplication::ProcessMessages() {}

void TApplication::Run() { terminated_ = true; }

void TApplication::Terminate() { terminated_ = true; }

}  // namespace os
