#include "support/TextFile.h"

#include <fstream>
#include <iterator>
#include <string_view>

#include "framework/TextConvert.h"

std::string ReadTextFileAsUtf8(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe') {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                     static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    return ToBytes(text);
  }
  if (bytes.compare(0, 3, "\xef\xbb\xbf") == 0) bytes.erase(0, 3);
  return bytes;
}
