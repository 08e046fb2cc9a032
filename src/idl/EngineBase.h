// Stands in for the header widl would generate from EngineBase.idl: the base
// types come from the platform headers.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
