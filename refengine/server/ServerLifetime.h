#pragma once
// The engine server's lifetime count: live objects and class-object locks.
// The server ends when it falls to zero.

#include <windows.h>

namespace rre {

class ServerLifetime {
 public:
  static void Add();
  static void Release();
  static long Count();
};

// Holds one count for as long as it lives (a member of every engine object).
class ServerLock {
 public:
  ServerLock() { ServerLifetime::Add(); }
  ~ServerLock() { ServerLifetime::Release(); }
  ServerLock(const ServerLock&) = delete;
  ServerLock& operator=(const ServerLock&) = delete;
};

}  // namespace rre
