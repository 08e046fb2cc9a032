#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

// Tests run on one single-threaded apartment, as the program does.
int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = RUN_ALL_TESTS();
  if (SUCCEEDED(hr)) CoUninitialize();
  return rc;
}
