#include "theme/ThemeResources.h"

#include <shlwapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <vector>

#include "engine/ComRef.h"
#include "framework/LayoutDpi.h"

namespace {

// Expansion stops substituting after this many replacements or beyond this length, so that a
// theme whose references feed each other can never hang the user interface.
constexpr int kMaxSubstitutions = 1000;
constexpr size_t kMaxExpandedLength = 1u << 20;

// Leading white space, optional sign, decimal digits; anything else ends the number.
// Values beyond 32 bits keep their low 32 bits.
std::int32_t ParseDecimal(const wchar_t* text) {
  if (!text) return 0;
  const wchar_t* p = text;
  while (*p && std::iswspace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = (*p++ == L'-');
  std::uint32_t value = 0;
  while (*p >= L'0' && *p <= L'9') value = value * 10u + static_cast<std::uint32_t>(*p++ - L'0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool ParseFlag(const pugi::xml_attribute& attr) {
  if (!attr) return false;
  switch (attr.value()[0]) {
    case L'1':
    case L't':
    case L'T':
    case L'y':
    case L'Y':
      return true;
    default:
      return false;
  }
}

void ReplaceAll(std::wstring& text, std::wstring_view from, std::wstring_view to) {
  if (from.empty()) return;
  for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos)) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

void SetFound(int* found, bool value) {
  if (found) *found = value ? 1 : 0;
}

// Folder (with trailing separator) of a module's file; the executable's when module is null.
std::wstring ModuleFolder(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      size_t slash = path.find_last_of(L'\\');
      return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

// ---- GDI+ session ----------------------------------------------------------------------------

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

GdiplusSession::~GdiplusSession() {
  if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

// ---- CThemeResources --------------------------------------------------------------------------

CThemeResources::CThemeResources() = default;

CThemeResources::~CThemeResources() { Clear(); }

CThemeResources& Theme() {
  static CThemeResources theme;
  return theme;
}

namespace {

// The key without its leading and trailing '/' characters, as a view into the key.
std::wstring_view TrimKey(std::wstring_view key) {
  size_t first = key.find_first_not_of(L'/');
  if (first == std::wstring_view::npos) return {};
  size_t last = key.find_last_not_of(L'/');
  return key.substr(first, last - first + 1);
}

}  // namespace

std::wstring NormalizeThemeKey(std::wstring_view key) { return std::wstring(TrimKey(key)); }

void CThemeResources::Clear() {
  m_document.reset();
  m_colors.clear();
  m_strings.clear();
  m_integers.clear();
  m_fonts.clear();
  m_expanding.clear();
  m_images.clear();
  m_loaded = false;
}

bool CThemeResources::Load(const std::wstring& uiXmlPath, HMODULE resourceLibrary) {
  Clear();
  m_module = resourceLibrary;

  HANDLE file = ::CreateFileW(uiXmlPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> bytes;
  bool readOk = true;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size) || size.QuadPart > 64ll * 1024 * 1024) {
    readOk = false;
  } else {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
      readOk = false;
  }
  ::CloseHandle(file);
  if (!readOk) return false;

  pugi::xml_parse_result result =
      m_document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  m_loaded = static_cast<bool>(result);
  if (!m_loaded) m_document.reset();
  return m_loaded;
}

pugi::xml_node CThemeResources::Select(const wchar_t* section, const std::wstring& key) const {
  if (!m_loaded || key.empty()) return {};
  std::wstring query = L"/ui/";
  query += section;
  query += L'/';
  query += key;
  try {
    return m_document.select_node(query.c_str()).node();
  } catch (const pugi::xpath_exception&) {
    // A key that is no valid element path names nothing.
    return {};
  }
}

std::wstring CThemeResources::GetString(std::wstring_view key, int* found) {
  SetFound(found, false);
  if (!m_loaded) return {};
  std::wstring_view view = TrimKey(key);
  if (auto it = m_strings.find(view); it != m_strings.end()) {
    SetFound(found, true);
    return it->second;
  }
  std::wstring k(view);
  // A string that (directly or through others) refers to itself: the inner reference names
  // nothing, which keeps the expansion finite.
  if (m_expanding.count(k)) return {};
  pugi::xml_node node = Select(L"strings", k);
  if (!node) return {};

  m_expanding.insert(k);
  std::wstring text = ExpandThemeText(node.text().get());
  m_expanding.erase(k);
  m_strings[k] = text;
  SetFound(found, true);
  return text;
}

std::int32_t CThemeResources::GetInteger(std::wstring_view key, int* found) {
  SetFound(found, false);
  if (!m_loaded) return 0;
  std::wstring_view view = TrimKey(key);
  if (auto it = m_integers.find(view); it != m_integers.end()) {
    SetFound(found, true);
    return it->second;
  }
  std::wstring k(view);
  pugi::xml_node node = Select(L"integers", k);
  if (!node) return 0;
  SetFound(found, true);
  return ParseDecimal(node.text().get());
}

ThemeColor CThemeResources::GetColor(std::wstring_view key, int* found) {
  SetFound(found, false);
  if (!m_loaded) return 0;
  std::wstring_view view = TrimKey(key);
  if (auto it = m_colors.find(view); it != m_colors.end()) {
    SetFound(found, true);
    return it->second;
  }
  std::wstring k(view);
  pugi::xml_node node = Select(L"colors", k);
  if (!node) return kMissingThemeColor;
  pugi::xml_attribute r = node.attribute(L"r"), g = node.attribute(L"g"), b = node.attribute(L"b");
  if (!r || !g || !b) return kMissingThemeColor;
  pugi::xml_attribute a = node.attribute(L"a");
  std::uint32_t alpha = a ? static_cast<std::uint32_t>(ParseDecimal(a.value())) : 255u;
  auto low8 = [](const pugi::xml_attribute& attr) {
    return static_cast<std::uint32_t>(ParseDecimal(attr.value())) & 0xFFu;
  };
  ThemeColor color = ((alpha & 0xFFu) << 24) | (low8(r) << 16) | (low8(g) << 8) | low8(b);
  m_colors[k] = color;
  SetFound(found, true);
  return color;
}

HFONT CThemeResources::GetFont(std::wstring_view key, int* found) {
  SetFound(found, false);
  if (!m_loaded) return nullptr;
  std::wstring_view view = TrimKey(key);
  if (auto it = m_fonts.find(view); it != m_fonts.end()) {
    SetFound(found, true);
    return it->second.get();
  }
  std::wstring k(view);
  pugi::xml_node node = Select(L"fonts", k);
  if (!node) return nullptr;
  pugi::xml_attribute size = node.attribute(L"size");
  if (!size) return nullptr;
  UniqueFont font = CreateThemeFont(ParseFlag(node.attribute(L"bold")), ParseDecimal(size.value()),
                                    ParseFlag(node.attribute(L"italic")),
                                    ParseFlag(node.attribute(L"underline")));
  if (!font) return nullptr;
  HFONT handle = font.get();
  m_fonts[k] = std::move(font);
  SetFound(found, true);
  return handle;
}

std::wstring CThemeResources::LoadResString(UINT id) {
  if (!m_module) return {};
  const wchar_t* resource = nullptr;
  // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
  int length = ::LoadStringW(m_module, id, reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || !resource) return {};
  return ExpandThemeText(std::wstring_view(resource, static_cast<size_t>(length)));
}

std::wstring CThemeResources::ExpandThemeText(std::wstring_view input) {
  std::wstring text(input);
  size_t p = 0;
  int substitutions = 0;
  while (substitutions < kMaxSubstitutions && text.size() <= kMaxExpandedLength) {
    size_t s = text.find(L"[%", p);
    if (s == std::wstring::npos) break;
    size_t e = text.find(L"%]", s + 2);
    if (e == std::wstring::npos) break;
    std::wstring token = text.substr(s, e + 2 - s);
    std::wstring name = text.substr(s + 2, e - (s + 2));

    int found = 0;
    std::wstring replacement = GetString(name, &found);
    if (!found) {
      std::int32_t value = GetInteger(name, &found);
      if (found) replacement = std::to_wstring(value);
    }
    ReplaceAll(text, token, replacement);
    ++substitutions;
    // The replacement is scanned again, so references may nest.
    p = s;
  }
  ReplaceAll(text, L"&lt;", L"<");
  ReplaceAll(text, L"&gt;", L">");
  ReplaceAll(text, L"\\n", L"\n");
  return text;
}

// ---- Fonts ------------------------------------------------------------------------------------

// A point is a 72nd of an inch: points are pixels at 72 dpi.
LONG ThemeFontHeight(int points) { return ToLayoutDpi(-static_cast<LONG>(points), 72); }

UniqueFont CreateThemeFont(bool bold, int size, bool italic, bool underline) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  // Platforms before version 6 know the record without its last field.
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    metrics = {};
    metrics.cbSize = sizeof(metrics) - sizeof(metrics.iPaddedBorderWidth);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
      return UniqueFont();
  }
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight =
      size != -1 ? ThemeFontHeight(size) : ToLayoutDpi(font.lfHeight, ReportedScreenDpi());
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = italic ? TRUE : FALSE;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfStrikeOut = FALSE;
  return UniqueFont(::CreateFontIndirectW(&font));
}

// ---- Images -----------------------------------------------------------------------------------

namespace {

std::unique_ptr<Gdiplus::Bitmap> CopyOf(Gdiplus::Bitmap& image) {
  const Gdiplus::Rect all(0, 0, static_cast<INT>(image.GetWidth()),
                          static_cast<INT>(image.GetHeight()));
  std::unique_ptr<Gdiplus::Bitmap> copy(image.Clone(all, image.GetPixelFormat()));
  if (!copy || copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return copy;
}

// PNG files go to the platform's PNG codec, straight into a GDI+ bitmap: the same
// pixels, size and resolution as GDI+'s own loading, which costs far more per file
// (and much more for the first one) on some platforms. Null when the codec fails.
std::unique_ptr<Gdiplus::Bitmap> DecodePng(IStream* stream) {
  ComRef<IWICBitmapDecoder> decoder;
  if (FAILED(::CoCreateInstance(CLSID_WICPngDecoder, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICBitmapDecoder, decoder.PutVoid())) ||
      FAILED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand)))
    return nullptr;
  ComRef<IWICBitmapFrameDecode> frame;
  WICPixelFormatGUID format{};
  if (FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(frame->GetPixelFormat(&format)))
    return nullptr;
  // Colour without alpha stays 24-bit, as GDI+ keeps it; everything else 32-bit ARGB.
  const bool opaque = IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ||
                      IsEqualGUID(format, GUID_WICPixelFormat24bppRGB);
  ComRef<IWICBitmapSource> pixels;
  UINT width = 0, height = 0;
  if (FAILED(::WICConvertBitmapSource(
          opaque ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGRA, frame.Get(),
          pixels.Put())) ||
      FAILED(pixels->GetSize(&width, &height)) || width == 0 || height == 0)
    return nullptr;
  auto image =
      std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height),
                                        opaque ? PixelFormat24bppRGB : PixelFormat32bppARGB);
  const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data{};
  if (image->GetLastStatus() != Gdiplus::Ok ||
      image->LockBits(&all, Gdiplus::ImageLockModeWrite, image->GetPixelFormat(), &data) !=
          Gdiplus::Ok)
    return nullptr;
  const HRESULT copied =
      pixels->CopyPixels(nullptr, static_cast<UINT>(data.Stride),
                         static_cast<UINT>(data.Stride) * height, static_cast<BYTE*>(data.Scan0));
  image->UnlockBits(&data);
  if (FAILED(copied)) return nullptr;
  double dpiX = 0, dpiY = 0;
  if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)) && dpiX > 0 && dpiY > 0)
    image->SetResolution(static_cast<Gdiplus::REAL>(dpiX), static_cast<Gdiplus::REAL>(dpiY));
  return image;
}

// Reads the whole file and decodes it from memory. The result owns its pixels: it
// does not depend on the stream.
std::unique_ptr<Gdiplus::Bitmap> DecodeImageFile(const std::wstring& path, ULONGLONG size) {
  if (size == 0 || size > 64ull * 1024 * 1024) return nullptr;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  std::vector<BYTE> bytes(static_cast<size_t>(size));
  DWORD got = 0;
  const bool read =
      ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
      got == bytes.size();
  ::CloseHandle(file);
  if (!read) return nullptr;
  auto stream =
      ComRef<IStream>::Adopt(::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  static constexpr BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= sizeof(kPngSignature) &&
      std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())) {
    if (auto png = DecodePng(stream.Get())) return png;
    // Whatever the codec refused, GDI+ gets its own try from the start.
    const LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return nullptr;
  }
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.Get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok || decoded->GetWidth() == 0)
    return nullptr;
  return CopyOf(*decoded);
}

}  // namespace

std::unique_ptr<Gdiplus::Bitmap> CThemeResources::CopyOfImageFile(const std::wstring& fullPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(fullPath.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  std::wstring key(fullPath);
  for (wchar_t& c : key) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
  auto it = m_images.find(key);
  if (it == m_images.end() || it->second.size != size ||
      ::CompareFileTime(&it->second.written, &data.ftLastWriteTime) != 0) {
    std::unique_ptr<Gdiplus::Bitmap> decoded = DecodeImageFile(fullPath, size);
    if (!decoded) {
      if (it != m_images.end()) m_images.erase(it);
      return nullptr;
    }
    it =
        m_images.insert_or_assign(key, DecodedImage{size, data.ftLastWriteTime, std::move(decoded)})
            .first;
  }
  return CopyOf(*it->second.image);
}

std::unique_ptr<Gdiplus::Bitmap> LoadThemeImageFrom(std::wstring_view folder,
                                                    std::wstring_view relativePath) {
  if (relativePath.empty()) return nullptr;
  std::wstring path(folder);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  path += relativePath;
  if (path.size() >= MAX_PATH) return nullptr;
  // Theme() keeps GDI+ started for the life of the process.
  return Theme().CopyOfImageFile(path);
}

std::unique_ptr<Gdiplus::Bitmap> LoadThemeImage(std::wstring_view relativePath) {
  return LoadThemeImageFrom(ModuleFolder(Theme().ResourceModule()), relativePath);
}
