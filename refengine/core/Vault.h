#pragma once
// Quarantine storage of file contents. The bytes are kept transformed (a
// keyed XOR stream behind a small header), so a quarantined file is never
// detected or run again, and restored byte for byte.

#include <cstdint>
#include <string>

#include "Sha256.h"

namespace rre {

// Copies `source` into `dataPath` in transformed form. `hash` and `size`
// describe the original bytes. `error` receives the system error on failure.
bool VaultStore(const std::wstring& source, const std::wstring& dataPath, Digest& hash,
                uint64_t& size, uint32_t& error);

// Writes the original bytes to `target`, which must not exist yet (no file is
// ever overwritten). Missing folders are created. When `expected` is given the
// restored bytes must hash to it, or nothing is left behind.
bool VaultRestore(const std::wstring& dataPath, const std::wstring& target, const Digest* expected,
                  uint32_t& error);

// A quarantine identifier: 36 characters, hex digits and dashes in GUID form.
bool IsQuarantineId(const std::wstring& id);

bool CreateFolders(const std::wstring& folder);

}  // namespace rre
