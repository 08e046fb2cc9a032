#pragma once
// Text conversion between the program's UTF-16 strings and byte strings
// (UTF-8 unless another code page is named), and the relabelling of an XML
// declaration when a document changes from bytes to UTF-16 text.

#include <windows.h>

#include <cwctype>
#include <string>
#include <string_view>

inline std::wstring ToWide(std::string_view bytes, UINT codePage = CP_UTF8) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

inline std::string ToBytes(std::wstring_view text, UINT codePage = CP_UTF8) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// Relabels encoding="UTF-8" (any case, either quote) inside a leading XML
// declaration as "UTF-16": the label a document carries once it is UTF-16 text.
inline void RelabelDeclarationUtf16(std::wstring& text) {
  size_t begin = text.starts_with(L"\xFEFF") ? 1 : 0;
  if (text.compare(begin, 5, L"<?xml") != 0) return;
  size_t end = text.find(L"?>", begin);
  if (end == std::wstring::npos) return;
  size_t enc = text.find(L"encoding", begin);
  if (enc == std::wstring::npos || enc > end) return;
  size_t pos = enc + 8;
  while (pos < end && std::iswspace(text[pos])) ++pos;
  if (pos >= end || text[pos] != L'=') return;
  ++pos;
  while (pos < end && std::iswspace(text[pos])) ++pos;
  if (pos >= end || (text[pos] != L'"' && text[pos] != L'\'')) return;
  const wchar_t quote = text[pos++];
  size_t close = text.find(quote, pos);
  if (close == std::wstring::npos || close > end || close - pos != 5) return;
  static constexpr wchar_t kUtf8[] = L"utf-8";
  for (size_t i = 0; i < 5; ++i)
    if (std::towlower(text[pos + i]) != kUtf8[i]) return;
  text.replace(pos, 5, L"UTF-16");
}
