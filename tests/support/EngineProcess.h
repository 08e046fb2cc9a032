#pragma once
// The reference engine executable beside the test executable, run as a
// process: registration, stop requests and the list of running engines.
#include <windows.h>

#include <string>
#include <vector>

namespace rrtest {

// The engine executable in the test executable's folder.
std::wstring EngineExe();
// Runs the engine executable with the given arguments and waits for its exit code.
DWORD RunEngine(const std::wstring& args);
// Process ids of running engines.
std::vector<DWORD> EngineProcesses();
// Asks running engines to stop (pumping messages meanwhile) until none is left;
// false when one is still running after timeoutMs.
bool StopEngines(DWORD timeoutMs = 15000);

// Deletes a folder with everything below it (read-only files included).
void RemoveFolderTree(const std::wstring& path);

}  // namespace rrtest
