#include "theme/TextFormat.h"

#include <iterator>

#include "theme/ThemeResources.h"

std::wstring FormatIntegers(std::wstring_view format, std::initializer_list<long long> values) {
  std::wstring out;
  out.reserve(format.size() + 16);
  auto next = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c != L'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    const wchar_t conversion = format[i + 1];
    if (conversion == L'%') {
      out += L'%';
      ++i;
    } else if ((conversion == L'd' || conversion == L'i' || conversion == L'u') &&
               next != values.end()) {
      out += std::to_wstring(*next++);
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

UINT CountedTextId(const CountedText& text, std::initializer_list<long long> counts) {
  unsigned form = 0;
  unsigned bit = 1;
  for (long long n : counts) {
    if (n == 1) form |= bit;
    bit <<= 1;
  }
  if (form >= std::size(text.forms) || text.forms[form] == 0) return text.forms[0];
  return text.forms[form];
}

std::wstring FormatCounted(CThemeResources& theme, const CountedText& text,
                           std::initializer_list<long long> counts) {
  const UINT id = CountedTextId(text, counts);
  std::wstring format = theme.LoadResString(id);
  if (format.empty() && id != text.forms[0]) format = theme.LoadResString(text.forms[0]);
  return FormatIntegers(format, counts);
}
