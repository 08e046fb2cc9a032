// The shared owners and the text conversion: each owner releases what it holds
// on every path (kernel objects are closed, GDI objects deleted), and text
// survives the trip between UTF-16 and bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "framework/Handles.h"
#include "framework/TextConvert.h"

namespace {

bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId());
}

TEST(Handles, FileOwnerClosesOnScopeResetAndMove) {
  std::wstring path = TempFile(L"rr_handles_");
  HANDLE raw = nullptr;
  {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(file);
    raw = file.get();
    UniqueFile moved(std::move(file));
    EXPECT_FALSE(file);
    EXPECT_EQ(raw, moved.get());
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));  // deleted on close
}

TEST(Handles, FailedOpenIsEmpty) {
  UniqueFile file(CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(file);
  EXPECT_EQ(nullptr, file.get());
  file.reset(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(file);
}

TEST(Handles, EventOwnerClosesOnReset) {
  UniqueEvent event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  HANDLE raw = event.get();
  EXPECT_TRUE(IsOpen(raw));
  event.reset();
  EXPECT_FALSE(IsOpen(raw));
}

// GDI objects are checked one by one (GetObjectType is 0 for a deleted one):
// the process-wide count is not kept by every platform the tests run on.
TEST(Handles, GdiOwnersDeleteWhatTheyHold) {
  HGDIOBJ font = nullptr, brush = nullptr, pen = nullptr, region = nullptr, bitmap = nullptr,
          replaced = nullptr, second = nullptr;
  {
    UniqueFont f(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             L"Tahoma"));
    UniqueBrush b(CreateSolidBrush(RGB(1, 2, 3)));
    UniquePen p(CreatePen(PS_SOLID, 1, RGB(4, 5, 6)));
    UniqueRegion r(CreateRectRgn(0, 0, 10, 10));
    UniqueBitmap m;
    m.reset(CreateBitmap(4, 4, 1, 32, nullptr));
    ASSERT_TRUE(f && b && p && r && m);
    font = f.get(), brush = b.get(), pen = p.get(), region = r.get(), bitmap = m.get();
    EXPECT_EQ(DWORD(OBJ_FONT), GetObjectType(font));
    EXPECT_EQ(DWORD(OBJ_BRUSH), GetObjectType(brush));
    EXPECT_EQ(DWORD(OBJ_PEN), GetObjectType(pen));
    EXPECT_EQ(DWORD(OBJ_REGION), GetObjectType(region));
    EXPECT_EQ(DWORD(OBJ_BITMAP), GetObjectType(bitmap));
    UniqueBrush other(std::move(b));
    EXPECT_FALSE(b);
    replaced = other.get();
    other = UniqueBrush(CreateSolidBrush(RGB(7, 8, 9)));  // the first brush goes here
    second = other.get();
    EXPECT_EQ(0u, GetObjectType(replaced));
    EXPECT_EQ(DWORD(OBJ_BRUSH), GetObjectType(second));
  }
  for (HGDIOBJ h : {font, pen, region, bitmap, second}) EXPECT_EQ(0u, GetObjectType(h)) << h;
}

TEST(Handles, InternetOwnerClosesTheSession) {
  UniqueInternet session(
      InternetOpenW(L"rr-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  ASSERT_TRUE(session);
  HINTERNET raw = session.get();
  DWORD type = 0, size = sizeof(type);
  EXPECT_TRUE(InternetQueryOptionW(raw, INTERNET_OPTION_HANDLE_TYPE, &type, &size));
  session.reset();
  size = sizeof(type);
  EXPECT_FALSE(InternetQueryOptionW(raw, INTERNET_OPTION_HANDLE_TYPE, &type, &size));
}

TEST(TextConvert, RoundTripsAndCodePages) {
  struct Case {
    const char* name;
    std::wstring wide;
    std::string utf8;
  } cases[] = {
      {"empty", L"", ""},
      {"ascii", L"Quick scan", "Quick scan"},
      {"latin", L"R\u00e9sultat", "R\xc3\xa9sultat"},
      {"cjk", L"\u626b\u63cf", "\xe6\x89\xab\xe6\x8f\x8f"},
      {"surrogate pair", L"\U0001F600", "\xf0\x9f\x98\x80"},
      {"embedded nul", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.utf8, ToBytes(c.wide));
    EXPECT_EQ(c.wide, ToWide(c.utf8));
  }
  // An unpaired surrogate has no UTF-8 form; it becomes U+FFFD, never vanishes.
  EXPECT_EQ("x\xef\xbf\xbdy", ToBytes(std::wstring(L"x\xD800y")));
  EXPECT_EQ(L"abc", ToWide("abc", CP_ACP));
  EXPECT_EQ("abc", ToBytes(L"abc", CP_ACP));
}

TEST(TextConvert, DeclarationRelabelling) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>",
       L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"},
      {L"<?xml version='1.0' encoding = 'utf-8' ?><a/>",
       L"<?xml version='1.0' encoding = 'UTF-16' ?><a/>"},
      {L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>",
       L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"},
      // Left alone: no declaration, another encoding, the label outside the declaration.
      {L"<a encoding=\"UTF-8\"/>", L"<a encoding=\"UTF-8\"/>"},
      {L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>",
       L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>"},
      {L"<?xml version=\"1.0\"?><a x=\"UTF-8\"/>", L"<?xml version=\"1.0\"?><a x=\"UTF-8\"/>"},
      {L"<?xml version=\"1.0\" encoding=\"UTF-8x\"?>", L"<?xml version=\"1.0\" encoding=\"UTF-8x\"?>"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    std::wstring text = c.in;
    RelabelDeclarationUtf16(text);
    EXPECT_EQ(std::wstring(c.out), text) << "input: " << std::string(text.begin(), text.end());
  }
}

}  // namespace
