#pragma once
// Theme lookup: every text, colour, font, integer and picture the user interface shows comes
// from the theme document ui.xml, the resource library res.dll and the PNG images stored
// beside it. The code holds only keys and string IDs.

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "framework/Handles.h"

// 32-bit ARGB: alpha in bits 31-24, red 23-16, green 15-8, blue 7-0.
using ThemeColor = std::uint32_t;

// The value of a colour key the theme does not define: opaque black.
inline constexpr ThemeColor kMissingThemeColor = 0xFF000000u;

constexpr BYTE ThemeAlpha(ThemeColor c) { return static_cast<BYTE>(c >> 24); }
constexpr BYTE ThemeRed(ThemeColor c) { return static_cast<BYTE>(c >> 16); }
constexpr BYTE ThemeGreen(ThemeColor c) { return static_cast<BYTE>(c >> 8); }
constexpr BYTE ThemeBlue(ThemeColor c) { return static_cast<BYTE>(c); }
// GDI colour (alpha dropped).
constexpr COLORREF ToColorRef(ThemeColor c) {
  return RGB(ThemeRed(c), ThemeGreen(c), ThemeBlue(c));
}
// GDI+ uses the same ARGB layout.
inline Gdiplus::Color ToGdiplusColor(ThemeColor c) { return Gdiplus::Color(c); }

// Keeps the GDI+ library started for the lifetime of the object. Nested sessions are fine.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return m_token != 0; }

 private:
  ULONG_PTR m_token = 0;
};

// The process's theme. One instance (see Theme()) lives for the whole process; tests may create
// their own instances over fixture documents.
class CThemeResources {
 public:
  CThemeResources();
  ~CThemeResources();
  CThemeResources(const CThemeResources&) = delete;
  CThemeResources& operator=(const CThemeResources&) = delete;

  // Parses ui.xml (full path) and remembers the resource library. Returns whether the document
  // was read and parsed; a missing or malformed document leaves the theme unloaded.
  bool Load(const std::wstring& uiXmlPath, HMODULE resourceLibrary);
  // Forgets the document, empties every cache (destroying the cached fonts), unloaded again.
  void Clear();

  bool IsLoaded() const { return m_loaded; }
  HMODULE ResourceModule() const { return m_module; }

  // Lookups by key ("urls/help"; leading and trailing '/' are ignored, case matters).
  // `found`, when given, receives 1 when the key exists and 0 when it does not. A missing key
  // gives empty text, 0, kMissingThemeColor or no font, and nothing is cached for it.
  std::wstring GetString(std::wstring_view key, int* found = nullptr);
  std::int32_t GetInteger(std::wstring_view key, int* found = nullptr);
  ThemeColor GetColor(std::wstring_view key, int* found = nullptr);
  // The font is borrowed: it stays valid until Clear() or the end of the process.
  HFONT GetFont(std::wstring_view key, int* found = nullptr);

  // The resource library's string-table text with this ID, expanded; empty when missing.
  std::wstring LoadResString(UINT id);

  // Resolves "[%name%]" references (theme strings, else integers, else nothing), "&lt;",
  // "&gt;" and the two characters "\n". Always ends, even for self-referencing themes.
  std::wstring ExpandThemeText(std::wstring_view text);

  // A copy of the picture in the file at fullPath, which is decoded once and then
  // only copied while the file keeps its size and write time. Null when the file is
  // missing or undecodable. Callers use LoadThemeImage / LoadThemeImageFrom.
  std::unique_ptr<Gdiplus::Bitmap> CopyOfImageFile(const std::wstring& fullPath);

  // Number of entries in each cache (diagnostics and tests).
  struct CacheSizes {
    size_t strings, integers, colors, fonts;
  };
  CacheSizes CachedEntries() const {
    return {m_strings.size(), m_integers.size(), m_colors.size(), m_fonts.size()};
  }

 private:
  pugi::xml_node Select(const wchar_t* section, const std::wstring& key) const;

  GdiplusSession m_gdiplus;
  HMODULE m_module = nullptr;
  bool m_loaded = false;
  pugi::xml_document m_document;
  std::map<std::wstring, ThemeColor, std::less<>> m_colors;
  std::map<std::wstring, std::wstring, std::less<>> m_strings;
  std::map<std::wstring, std::int32_t, std::less<>> m_integers;  // consulted, never filled
  std::map<std::wstring, UniqueFont, std::less<>> m_fonts;
  std::set<std::wstring, std::less<>> m_expanding;  // string keys being expanded right now
  struct DecodedImage {
    ULONGLONG size = 0;
    FILETIME written{};
    std::unique_ptr<Gdiplus::Bitmap> image;
  };
  // Key: the full path in lower case with '\' separators (the file system ignores case).
  std::map<std::wstring, DecodedImage, std::less<>> m_images;
};

// The one theme of the process.
CThemeResources& Theme();

// Key normalisation: strips every leading and trailing '/'.
std::wstring NormalizeThemeKey(std::wstring_view key);

// The platform's message font with the given attributes. size is in points; -1 keeps the
// message font's own height. The caller owns the font; empty when the platform refuses it.
// The font height for a size in points at the layout DPI (framework/LayoutDpi.h): minus points x
// dpi / 72, rounded to the nearest integer with halves away from zero.
LONG ThemeFontHeight(int points);

UniqueFont CreateThemeFont(bool bold, int size, bool italic, bool underline);

// Decodes a PNG (or any GDI+ image) stored under the resource library's folder. relativePath may
// use '/' or '\' and any letter case. Returns null when the file is missing or undecodable.
// Every call gives the caller its own image; a file is decoded only once per process while it
// stays unchanged, later calls copy the decoded pixels.
std::unique_ptr<Gdiplus::Bitmap> LoadThemeImage(std::wstring_view relativePath);

// The same, below an explicit folder (with or without a trailing separator).
std::unique_ptr<Gdiplus::Bitmap> LoadThemeImageFrom(std::wstring_view folder,
                                                    std::wstring_view relativePath);
