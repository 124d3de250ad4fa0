#pragma once
// Building payload volumes byte by byte, and reading them back the way the
// extraction does, for tests of the reader.
#include <cstdint>
#include <string>

#include "engine/PayloadFormat.h"

class TLogFile;

// An entry header: the name, its 0x00, the size.
std::string Header(const std::string& name, std::uint32_t size);
// name, 0x00, size and data.
std::string Entry(const std::string& name, const std::string& data);

// Extracts the volumes in folder into target as the extraction thread does,
// in steps of step bytes, following the trailer bytes from volume to volume.
// Returns the number of data bytes copied.
std::int32_t ExtractAll(const std::string& folder, const std::string& target, TLogFile& log,
                        std::int32_t step);
