#pragma once
// The engine's fifteen creatable classes and their class factory.

#include <windows.h>

namespace rre {

struct EngineClass {
  const CLSID* clsid;
  const wchar_t* name;
};

// The fifteen classes, in the client's slot order.
const EngineClass* EngineClasses(size_t& count);

// A class factory for the class at `index` of EngineClasses.
IClassFactory* NewClassFactory(size_t index);

}  // namespace rre
