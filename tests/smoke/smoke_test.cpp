#include <windows.h>

#include <gtest/gtest.h>
#include <pugixml.hpp>

TEST(Toolchain, RunsUnderWindowsWithPugixml) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(L"<ui><strings><a>x</a></strings></ui>"));
  EXPECT_STREQ(L"x", doc.select_node(L"/ui/strings/a").node().child_value());
  wchar_t path[MAX_PATH];
  EXPECT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
}
