#include "theme/TextFormat.h"

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
