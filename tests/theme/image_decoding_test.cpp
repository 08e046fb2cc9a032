// Theme pictures: each file is decoded once and handed out as copies; the pixels are
// the ones GDI+ itself decodes from the file, and a changed file is decoded again.

#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/shipped_theme.h"
#include "theme/ThemeResources.h"
#include "theme_fixture.h"

namespace {

// Every pixel as 32-bit ARGB, row after row; empty when the bitmap cannot be read.
std::vector<UINT32> Pixels(Gdiplus::Bitmap& image) {
  const UINT w = image.GetWidth(), h = image.GetHeight();
  std::vector<UINT32> pixels(static_cast<size_t>(w) * h);
  Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData data{};
  if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return {};
  for (UINT y = 0; y < h; ++y)
    std::memcpy(&pixels[static_cast<size_t>(y) * w],
                static_cast<BYTE*>(data.Scan0) + y * data.Stride, w * 4);
  image.UnlockBits(&data);
  return pixels;
}

// Every picture of the shipped theme, as the theme names them.
std::vector<std::wstring> ShippedPictures() {
  std::vector<std::wstring> names;
  const std::wstring root = OutputFolder() + L"images\\";
  std::vector<std::wstring> folders{L""};
  while (!folders.empty()) {
    const std::wstring folder = folders.back();
    folders.pop_back();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((root + folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        folders.push_back(folder + name + L"\\");
      else
        names.push_back(L"images\\" + folder + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return names;
}

TEST(ThemePictures, DecodeToTheSamePixelsAsGdiplusItself) {
  ASSERT_TRUE(LoadShippedTheme());
  const std::vector<std::wstring> pictures = ShippedPictures();
  ASSERT_GE(pictures.size(), 80u);
  for (const std::wstring& relative : pictures) {
    SCOPED_TRACE(std::string(relative.begin(), relative.end()));
    auto ours = LoadThemeImage(relative);
    ASSERT_NE(ours, nullptr);
    Gdiplus::Bitmap reference((OutputFolder() + relative).c_str());
    ASSERT_EQ(reference.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(ours->GetWidth(), reference.GetWidth());
    EXPECT_EQ(ours->GetHeight(), reference.GetHeight());
    EXPECT_EQ(ours->GetPixelFormat(), reference.GetPixelFormat());
    EXPECT_EQ(ours->GetHorizontalResolution(), reference.GetHorizontalResolution());
    const std::vector<UINT32> a = Pixels(*ours), b = Pixels(reference);
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << "pixels differ";
  }
}

TEST(ThemePictures, EveryLoadIsTheCallersOwnCopy) {
  ASSERT_TRUE(LoadShippedTheme());
  auto first = LoadThemeImage(L"images/Frame/logo.png");
  ASSERT_NE(first, nullptr);
  const std::vector<UINT32> original = Pixels(*first);
  // Painting over one copy changes neither the next load nor the other copies.
  {
    Gdiplus::Graphics g(first.get());
    Gdiplus::SolidBrush red(Gdiplus::Color(255, 255, 0, 0));
    g.FillRectangle(&red, 0, 0, static_cast<INT>(first->GetWidth()),
                    static_cast<INT>(first->GetHeight()));
  }
  auto second = LoadThemeImage(L"IMAGES\\frame\\LOGO.png");
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first.get(), second.get());
  EXPECT_TRUE(Pixels(*second) == original);
  first.reset();
  auto third = LoadThemeImage(L"images/Frame/logo.png");
  ASSERT_NE(third, nullptr);
  EXPECT_TRUE(Pixels(*third) == original);
}

TEST(ThemePictures, AChangedOrRemovedFileIsReadAgain) {
  ASSERT_TRUE(LoadShippedTheme());
  TempThemeDir dir;
  CreateDirectoryW((dir.path() + L"\\pics").c_str(), nullptr);
  const std::wstring target = dir.path() + L"\\pics\\picture.png";
  ASSERT_TRUE(
      CopyFileW((OutputFolder() + L"images\\frame\\logo.png").c_str(), target.c_str(), FALSE));
  auto logo = LoadThemeImageFrom(dir.path(), L"pics/picture.png");
  ASSERT_NE(logo, nullptr);
  Gdiplus::Bitmap logoFile((OutputFolder() + L"images\\frame\\logo.png").c_str());
  EXPECT_EQ(logo->GetWidth(), logoFile.GetWidth());

  ASSERT_TRUE(
      CopyFileW((OutputFolder() + L"images\\frame\\tab_bg.png").c_str(), target.c_str(), FALSE));
  auto tab = LoadThemeImageFrom(dir.path(), L"pics/picture.png");
  ASSERT_NE(tab, nullptr);
  Gdiplus::Bitmap tabFile((OutputFolder() + L"images\\frame\\tab_bg.png").c_str());
  EXPECT_EQ(tab->GetWidth(), tabFile.GetWidth());
  EXPECT_EQ(tab->GetHeight(), tabFile.GetHeight());
  EXPECT_TRUE(Pixels(*tab) == Pixels(tabFile));

  // Damaged in place, then gone: no picture, not the one decoded before.
  dir.Write(L"pics\\picture.png", "\x89PNG\r\n\x1a\n and then nothing useful");
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L"pics/picture.png"), nullptr);
  ASSERT_TRUE(
      CopyFileW((OutputFolder() + L"images\\frame\\logo.png").c_str(), target.c_str(), FALSE));
  ASSERT_NE(LoadThemeImageFrom(dir.path(), L"pics/picture.png"), nullptr);
  ASSERT_TRUE(DeleteFileW(target.c_str()));
  EXPECT_EQ(LoadThemeImageFrom(dir.path(), L"pics/picture.png"), nullptr);
}

// A picture that is no PNG still decodes (through GDI+): a 2 x 1 bitmap file.
TEST(ThemePictures, OtherFormatsStillDecode) {
  ASSERT_TRUE(LoadShippedTheme());
  TempThemeDir dir;
  std::string bmp(54 + 8, '\0');
  auto put32 = [&](size_t at, UINT32 v) { std::memcpy(&bmp[at], &v, 4); };
  auto put16 = [&](size_t at, UINT16 v) { std::memcpy(&bmp[at], &v, 2); };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<UINT32>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);   // width
  put32(22, 1);   // height
  put16(26, 1);   // planes
  put16(28, 24);  // bits per pixel
  put32(34, 8);   // image size: one row of 6 bytes padded to 8
  const unsigned char row[] = {0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF};  // blue, red (BGR)
  std::memcpy(&bmp[54], row, sizeof(row));
  dir.Write(L"pics\\two.bmp", bmp);
  auto image = LoadThemeImageFrom(dir.path(), L"PICS/two.bmp");
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetWidth(), 2u);
  ASSERT_EQ(image->GetHeight(), 1u);
  const std::vector<UINT32> pixels = Pixels(*image);
  ASSERT_EQ(pixels.size(), 2u);
  EXPECT_EQ(pixels[0], 0xFF0000FFu);
  EXPECT_EQ(pixels[1], 0xFFFF0000u);
}

}  // namespace
