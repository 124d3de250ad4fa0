#pragma once
// Data built into the program (user32/kernel32 resources of type RCDATA).
#include <string_view>

namespace os {

// The bytes of the RCDATA resource with this id; empty when there is none.
std::string_view LoadRcData(int id);

}  // namespace os
