#pragma once
// The stand-in's fault point: every call that changes a file, a folder or
// the registry passes it, and the chosen one fails.
namespace standin::faults {
// Counts the call; true when this is the one that is to fail.
bool Strike();
}  // namespace standin::faults
