// The generic reader: well-formedness checks, internal entities, and the
// descriptor-driven binding of elements and attributes to members.
#include "engine/documents/Binding.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <unordered_map>

#include "framework/Handles.h"

namespace DocBinding {

namespace {

constexpr std::wstring_view kUnspecified = L"<unspecified>";

// Upper bound of the work that internal entities may cause in one document
// (each expansion costs the length of the entity's value, whatever it expands
// to), and of their nesting: a guard against expansion bombs.
constexpr size_t kEntityExpansionBudget = 1u << 20;
constexpr int kEntityMaxDepth = 16;
// Upper bound of the entity declarations one document may make (33 beyond it).
constexpr size_t kMaxEntityDeclarations = 1024;

template <class U>
inline bool IsSpace(U c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

template <class U>
inline bool IsNameChar(U c) {
  if (static_cast<uint32_t>(c) >= 0x80) return true;
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == ':' || c == '-' || c == '.';
}

template <class U>
inline bool IsNameStart(U c) {
  if (static_cast<uint32_t>(c) >= 0x80) return true;
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

template <class U>
struct Span {
  const U* data = nullptr;
  size_t size = 0;
};

template <class U>
bool SpanEquals(Span<U> s, std::wstring_view w) {
  if (s.size != w.size()) return false;
  for (size_t i = 0; i < s.size; ++i)
    if (static_cast<uint32_t>(static_cast<std::make_unsigned_t<U>>(s.data[i])) !=
        static_cast<uint32_t>(w[i]))
      return false;
  return true;
}

template <class U>
bool SpanEquals(Span<U> a, Span<U> b) {
  return a.size == b.size && std::equal(a.data, a.data + a.size, b.data);
}

template <class U>
bool SpanStartsWith(Span<U> s, std::wstring_view prefix) {
  return s.size >= prefix.size() && SpanEquals(Span<U>{s.data, prefix.size()}, prefix);
}

template <class U>
std::wstring SpanToWide(Span<U> s);

template <>
std::wstring SpanToWide(Span<wchar_t> s) {
  return std::wstring(s.data, s.size);
}
template <>
std::wstring SpanToWide(Span<char> s) {
  return Utf8ToWide(std::string_view(s.data, s.size));
}

// Appends UTF-8 text (already validated) as UTF-16.
void AppendUtf8(std::wstring& out, const char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      // Copy the ASCII run in one go.
      size_t j = i + 1;
      while (j < n && static_cast<unsigned char>(s[j]) < 0x80) ++j;
      size_t old = out.size();
      out.resize(old + (j - i));
      wchar_t* d = out.data() + old;
      for (size_t k = i; k < j; ++k) *d++ = static_cast<unsigned char>(s[k]);
      i = j;
      continue;
    }
    uint32_t cp;
    int len;
    if (c >= 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else {
      cp = c & 0x1F;
      len = 2;
    }
    for (int k = 1; k < len && i + k < n; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  }
}

inline void AppendUnits(std::wstring& out, const char* s, size_t n) { AppendUtf8(out, s, n); }
inline void AppendUnits(std::wstring& out, const wchar_t* s, size_t n) { out.append(s, n); }

// Offset of the first byte that breaks UTF-8, or npos.
size_t FindInvalidUtf8(const unsigned char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, s + i, 8);
      if ((w & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return i;
    }
    if (i + len > n) return i;
    for (int k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return i;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return i;
    i += len;
  }
  return std::string::npos;
}

void AppendCodePoint(std::wstring& out, uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

// Number and boolean conversion. Surrounding white space is dropped; what
// remains must be an optional sign and one or more decimal digits.
template <class U>
int ParseInteger(const U* s, size_t n, bool& negative, uint64_t& magnitude) {
  size_t b = 0, e = n;
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  negative = false;
  if (b < e && (s[b] == '+' || s[b] == '-')) {
    negative = s[b] == '-';
    ++b;
  }
  if (b == e) return kInvalidValueFormat;
  uint64_t v = 0;
  bool overflow = false;
  for (size_t i = b; i < e; ++i) {
    U c = s[i];
    if (c < '0' || c > '9') return kInvalidValueFormat;
    unsigned d = static_cast<unsigned>(c - '0');
    if (v > (UINT64_MAX - d) / 10) overflow = true;
    if (!overflow) v = v * 10 + d;
  }
  magnitude = overflow ? UINT64_MAX : v;
  if (overflow) return negative ? kValueBelowMinimum : kValueAboveMaximum;
  return kNoError;
}

template <class U>
int ConvertValue(ValueKind kind, void* member, const U* s, size_t n) {
  if (kind == ValueKind::Bool) {
    size_t b = 0, e = n;
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    Span<U> t{s + b, e - b};
    bool v;
    if (SpanEquals(t, L"true") || SpanEquals(t, L"1"))
      v = true;
    else if (SpanEquals(t, L"false") || SpanEquals(t, L"0"))
      v = false;
    else
      return kInvalidValueFormat;
    auto* m = static_cast<Value<bool>*>(member);
    m->Raw() = v;
    m->MarkPresent();
    return kNoError;
  }
  bool negative;
  uint64_t mag;
  int code = ParseInteger(s, n, negative, mag);
  if (code != kNoError) return code;
  switch (kind) {
    case ValueKind::Unsigned: {
      if (negative && mag != 0) return kValueBelowMinimum;
      if (mag > UINT32_MAX) return kValueAboveMaximum;
      auto* m = static_cast<Value<uint32_t>*>(member);
      m->Raw() = static_cast<uint32_t>(mag);
      m->MarkPresent();
      return kNoError;
    }
    case ValueKind::Int: {
      if (negative && mag > 2147483648ull) return kValueBelowMinimum;
      if (!negative && mag > 2147483647ull) return kValueAboveMaximum;
      auto* m = static_cast<Value<int32_t>*>(member);
      m->Raw() =
          negative ? static_cast<int32_t>(-static_cast<int64_t>(mag)) : static_cast<int32_t>(mag);
      m->MarkPresent();
      return kNoError;
    }
    case ValueKind::UInt64: {
      if (negative && mag != 0) return kValueBelowMinimum;
      auto* m = static_cast<Value<uint64_t>*>(member);
      m->Raw() = mag;
      m->MarkPresent();
      return kNoError;
    }
    default:
      return kUndefinedError;
  }
}

struct Entity {
  std::wstring value;
  bool markup = false;  // the value holds a '<'
  bool expanding = false;
};

enum class Encoding { Utf8, Utf16 };

template <class U>
class Reader {
 public:
  Reader(const U* begin, const U* end, Encoding encoding, ErrorRecord& error)
      : m_begin(begin), m_p(begin), m_end(end), m_encoding(encoding), m_error(error) {}

  int Run(const ElementType& type, void* object, std::wstring_view rootName) {
    int code = Prolog();
    if (code != kNoError) return code;
    // m_p is at the root's "<".
    const U* at = m_p;
    ++m_p;
    Span<U> name = ReadName();
    if (!SpanEquals(name, rootName)) return Fail(kElementNotFound, __LINE__, SpanToWide(name), at);
    bool empty;
    if ((code = ReadStartTag(name, empty)) != kNoError) return code;
    if ((code = ReadElement(type, object, name, empty)) != kNoError) return code;
    return Epilog();
  }

 private:
  int Fail(int code, int programLine, std::wstring_view item, const U* at) {
    m_error.code = code;
    m_error.item = std::wstring(item);
    m_error.programLine = programLine;
    m_error.xmlLine = LineAt(at);
    return code;
  }
  int Fail(int code, int programLine, Span<U> item, const U* at) {
    return Fail(code, programLine, SpanToWide(item), at);
  }

  int LineAt(const U* at) const {
    if (at > m_end) at = m_end;
    int line = 1;
    for (const U* q = m_begin; q < at; ++q) {
      if (*q == '\n')
        ++line;
      else if (*q == '\r' && (q + 1 >= m_end || q[1] != '\n'))
        ++line;
    }
    return line;
  }

  bool AtEnd() const { return m_p >= m_end; }
  bool Looking(std::wstring_view s) const {
    return static_cast<size_t>(m_end - m_p) >= s.size() && SpanEquals(Span<U>{m_p, s.size()}, s);
  }
  bool SkipSpace() {
    const U* start = m_p;
    while (m_p < m_end && IsSpace(*m_p)) ++m_p;
    return m_p != start;
  }
  Span<U> ReadName() {
    const U* start = m_p;
    if (m_p < m_end && IsNameStart(*m_p)) {
      ++m_p;
      while (m_p < m_end && IsNameChar(*m_p)) ++m_p;
    }
    return {start, static_cast<size_t>(m_p - start)};
  }
  // Finds `s` from m_p on; returns its position or null.
  const U* Find(std::wstring_view s) const {
    for (const U* q = m_p; q + s.size() <= m_end; ++q)
      if (static_cast<uint32_t>(*q) == static_cast<uint32_t>(s[0]) &&
          SpanEquals(Span<U>{q, s.size()}, s))
        return q;
    return nullptr;
  }

  // ---- Prolog and epilog ----

  int Prolog() {
    int code;
    if (Looking(L"<?xml") && m_p + 5 < m_end && IsSpace(m_p[5])) {
      if ((code = XmlDecl()) != kNoError) return code;
    }
    bool doctypeSeen = false;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, L"", m_p);
      if (Looking(L"<!--")) {
        if ((code = Comment()) != kNoError) return code;
      } else if (Looking(L"<?")) {
        if ((code = Pi()) != kNoError) return code;
      } else if (Looking(L"<!DOCTYPE")) {
        if (doctypeSeen) return Fail(kBadDtd, __LINE__, L"DOCTYPE", m_p);
        doctypeSeen = true;
        if ((code = Doctype()) != kNoError) return code;
      } else if (*m_p == '<' && m_p + 1 < m_end && IsNameStart(m_p[1])) {
        return kNoError;
      } else {
        return Fail(kBadlyFormed, __LINE__, L"", m_p);
      }
    }
  }

  int Epilog() {
    int code;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return kNoError;
      if (Looking(L"<!--")) {
        if ((code = Comment()) != kNoError) return code;
      } else if (Looking(L"<?")) {
        if ((code = Pi()) != kNoError) return code;
      } else {
        return Fail(kBadlyFormed, __LINE__, L"", m_p);
      }
    }
  }

  // One pseudo-attribute of the declaration: name = "value".
  bool DeclPair(Span<U>& name, Span<U>& value) {
    if (!SkipSpace()) return false;
    name = ReadName();
    if (name.size == 0) return false;
    SkipSpace();
    if (AtEnd() || *m_p != '=') return false;
    ++m_p;
    SkipSpace();
    return Literal(value);
  }

  int XmlDecl() {
    const U* at = m_p;
    m_p += 5;
    Span<U> name, value;
    const U* save = m_p;
    if (!DeclPair(name, value) || !SpanEquals(name, L"version"))
      return Fail(kBadXmlDecl, __LINE__, L"version", at);
    if (!SpanEquals(value, L"1.0") && !SpanEquals(value, L"1.1"))
      return Fail(kUnsupportedXmlVersion, __LINE__, SpanToWide(value), at);
    save = m_p;
    if (DeclPair(name, value) && SpanEquals(name, L"encoding")) {
      int code = CheckEncoding(value);
      if (code != kNoError) return Fail(code, __LINE__, SpanToWide(value), at);
      save = m_p;
    } else {
      m_p = save;
    }
    if (DeclPair(name, value) && SpanEquals(name, L"standalone")) {
      if (!SpanEquals(value, L"yes") && !SpanEquals(value, L"no"))
        return Fail(kBadXmlDecl, __LINE__, L"standalone", at);
    } else {
      m_p = save;
    }
    SkipSpace();
    if (!Looking(L"?>")) return Fail(kBadXmlDecl, __LINE__, L"xml", at);
    m_p += 2;
    return kNoError;
  }

  int CheckEncoding(Span<U> value) {
    std::wstring e = SpanToWide(value);
    for (auto& c : e) c = static_cast<wchar_t>(std::towupper(c));
    bool eightBit = e == L"UTF-8" || e == L"UTF8" || e == L"US-ASCII" || e == L"ASCII";
    bool sixteen = e == L"UTF-16" || e == L"UTF-16LE" || e == L"UCS-2";
    if (!eightBit && !sixteen) return kEncodingNotSupported;
    // Wide input whose declaration names UTF-8 is text that was converted
    // after being written (an engine string); only 16-bit declarations over
    // 8-bit bytes are a real mismatch.
    if (sixteen && m_encoding == Encoding::Utf8) return kEncodingMismatch;
    return kNoError;
  }

  int Comment() {
    const U* at = m_p;
    m_p += 4;
    for (;;) {
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, L"comment", at);
      if (*m_p == '-' && m_p + 1 < m_end && m_p[1] == '-') {
        if (m_p + 2 < m_end && m_p[2] == '>') {
          m_p += 3;
          return kNoError;
        }
        return Fail(kBadComment, __LINE__, L"comment", m_p);
      }
      ++m_p;
    }
  }

  int Pi() {
    const U* at = m_p;
    m_p += 2;
    Span<U> target = ReadName();
    if (target.size == 0) return Fail(kBadlyFormed, __LINE__, L"", at);
    if (target.size == 3 && (target.data[0] | 0x20) == 'x' && (target.data[1] | 0x20) == 'm' &&
        (target.data[2] | 0x20) == 'l')
      return Fail(kBadXmlDecl, __LINE__, L"xml", at);
    const U* close = Find(L"?>");
    if (!close) return Fail(kUnexpectedEnd, __LINE__, SpanToWide(target), at);
    m_p = close + 2;
    return kNoError;
  }

  // A quoted literal; m_p at the quote.
  bool Literal(Span<U>& value) {
    if (AtEnd() || (*m_p != '"' && *m_p != '\'')) return false;
    U quote = *m_p++;
    const U* start = m_p;
    while (m_p < m_end && *m_p != quote) ++m_p;
    if (AtEnd()) return false;
    value = {start, static_cast<size_t>(m_p - start)};
    ++m_p;
    return true;
  }

  int Doctype() {
    const U* at = m_p;
    m_p += 9;
    if (!SkipSpace()) return Fail(kBadDtd, __LINE__, L"DOCTYPE", at);
    Span<U> name = ReadName();
    if (name.size == 0) return Fail(kBadDtd, __LINE__, L"DOCTYPE", at);
    SkipSpace();
    if (Looking(L"SYSTEM") || Looking(L"PUBLIC"))
      return Fail(kExternalEntity, __LINE__, SpanToWide(name), m_p);
    if (!AtEnd() && *m_p == '[') {
      ++m_p;
      int code = InternalSubset();
      if (code != kNoError) return code;
      SkipSpace();
    }
    if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, L"DOCTYPE", at);
    if (*m_p != '>') return Fail(kBadDtd, __LINE__, L"DOCTYPE", m_p);
    ++m_p;
    return kNoError;
  }

  int InternalSubset() {
    int code;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, L"DOCTYPE", m_p);
      if (*m_p == ']') {
        ++m_p;
        return kNoError;
      }
      if (Looking(L"<!--")) {
        if ((code = Comment()) != kNoError) return code;
      } else if (Looking(L"<?")) {
        if ((code = Pi()) != kNoError) return code;
      } else if (Looking(L"<!ENTITY")) {
        if ((code = EntityDecl()) != kNoError) return code;
      } else if (Looking(L"<!ELEMENT") || Looking(L"<!ATTLIST") || Looking(L"<!NOTATION")) {
        // Declarations the binding has no use for: skip to their end.
        const U* at = m_p;
        while (m_p < m_end && *m_p != '>') {
          if (*m_p == '"' || *m_p == '\'') {
            Span<U> ignored;
            if (!Literal(ignored)) return Fail(kUnexpectedEnd, __LINE__, L"DOCTYPE", at);
          } else {
            ++m_p;
          }
        }
        if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, L"DOCTYPE", at);
        ++m_p;
      } else if (*m_p == '%') {
        return Fail(kUnexpectedEntity, __LINE__, L"DOCTYPE", m_p);
      } else {
        return Fail(kBadDtd, __LINE__, L"DOCTYPE", m_p);
      }
    }
  }

  int EntityDecl() {
    const U* at = m_p;
    m_p += 8;
    if (!SkipSpace()) return Fail(kBadDtd, __LINE__, L"ENTITY", at);
    bool parameter = false;
    if (!AtEnd() && *m_p == '%') {
      parameter = true;
      ++m_p;
      if (!SkipSpace()) return Fail(kBadDtd, __LINE__, L"ENTITY", at);
    }
    Span<U> name = ReadName();
    if (name.size == 0 || !SkipSpace()) return Fail(kBadDtd, __LINE__, L"ENTITY", at);
    if (Looking(L"SYSTEM") || Looking(L"PUBLIC"))
      return Fail(kExternalEntity, __LINE__, SpanToWide(name), m_p);
    Span<U> value;
    if (!Literal(value)) return Fail(kBadDtd, __LINE__, SpanToWide(name), at);
    SkipSpace();
    if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, SpanToWide(name), at);
    if (*m_p != '>') return Fail(kBadDtd, __LINE__, SpanToWide(name), m_p);
    ++m_p;
    if (++m_declarations > kMaxEntityDeclarations)
      return Fail(kUnexpectedEntity, __LINE__, SpanToWide(name), at);
    for (size_t i = 0; i < value.size; ++i)
      if (value.data[i] == '%') return Fail(kUnexpectedEntity, __LINE__, SpanToWide(name), at);
    if (parameter) return kNoError;
    // The first declaration of a name binds; later ones are ignored.
    auto [it, added] = m_entities.try_emplace(SpanToWide(name));
    if (added) {
      AppendUnits(it->second.value, value.data, value.size);
      it->second.markup = it->second.value.find(L'<') != std::wstring::npos;
    }
    return kNoError;
  }

  // ---- Character data ----

  // Appends the decoded form of raw text (references resolved, line ends
  // normalised; in attribute values white space characters become spaces).
  template <class V>
  int Decode(std::wstring& out, const V* s, size_t n, bool attribute, const U* at, int depth) {
    size_t i = 0;
    while (i < n) {
      size_t j = i;
      while (j < n && s[j] != '&' && s[j] != '\r' && !(attribute && (s[j] == '\n' || s[j] == '\t')))
        ++j;
      if (j > i) AppendUnits(out, s + i, j - i);
      if (j >= n) break;
      V c = s[j];
      if (c == '\r') {
        out.push_back(attribute ? L' ' : L'\n');
        i = j + 1;
        if (i < n && s[i] == '\n') ++i;
        continue;
      }
      if (c != '&') {
        out.push_back(L' ');
        i = j + 1;
        continue;
      }
      size_t k = j + 1;
      while (k < n && s[k] != ';' && k - j < 64) ++k;
      if (k >= n || s[k] != ';') return Fail(kBadlyFormed, __LINE__, L"&", at);
      Span<V> ref{s + j + 1, k - j - 1};
      i = k + 1;
      if (ref.size == 0) return Fail(kBadlyFormed, __LINE__, L"&", at);
      if (ref.data[0] == '#') {
        uint32_t cp = 0;
        size_t d = 1;
        bool hex = ref.size > 1 && ref.data[1] == 'x';
        if (hex) d = 2;
        if (d >= ref.size) return Fail(kBadlyFormed, __LINE__, L"&#", at);
        for (; d < ref.size; ++d) {
          V ch = ref.data[d];
          uint32_t v;
          if (ch >= '0' && ch <= '9')
            v = static_cast<uint32_t>(ch - '0');
          else if (hex && ch >= 'a' && ch <= 'f')
            v = static_cast<uint32_t>(ch - 'a' + 10);
          else if (hex && ch >= 'A' && ch <= 'F')
            v = static_cast<uint32_t>(ch - 'A' + 10);
          else
            return Fail(kBadlyFormed, __LINE__, L"&#", at);
          cp = cp * (hex ? 16 : 10) + v;
          if (cp > 0x10FFFF) return Fail(kBadlyFormed, __LINE__, L"&#", at);
        }
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
          return Fail(kBadlyFormed, __LINE__, L"&#", at);
        AppendCodePoint(out, cp);
        continue;
      }
      if (SpanEquals(ref, L"lt")) {
        out.push_back(L'<');
      } else if (SpanEquals(ref, L"gt")) {
        out.push_back(L'>');
      } else if (SpanEquals(ref, L"amp")) {
        out.push_back(L'&');
      } else if (SpanEquals(ref, L"apos")) {
        out.push_back(L'\'');
      } else if (SpanEquals(ref, L"quot")) {
        out.push_back(L'"');
      } else {
        m_lookup.clear();
        AppendUnits(m_lookup, ref.data, ref.size);
        auto found = m_entities.find(m_lookup);
        if (found == m_entities.end()) return Fail(kEntityNotFound, __LINE__, m_lookup, at);
        Entity* entity = &found->second;
        const std::wstring& name = found->first;
        if (entity->expanding) return Fail(kRecursiveEntity, __LINE__, name, at);
        if (depth >= kEntityMaxDepth || entity->markup)
          return Fail(kUnexpectedEntity, __LINE__, name, at);
        // Charged before the work: an empty expansion of a long value costs as
        // much as a long one, and the output is never longer than the values.
        const size_t cost = std::max<size_t>(entity->value.size(), 1);
        if (cost > m_expansionBudget) return Fail(kUnexpectedEntity, __LINE__, name, at);
        m_expansionBudget -= cost;
        entity->expanding = true;
        int code =
            Decode(out, entity->value.data(), entity->value.size(), attribute, at, depth + 1);
        entity->expanding = false;
        if (code != kNoError) return code;
      }
    }
    return kNoError;
  }

  // ---- Elements ----

  struct RawAttribute {
    Span<U> name;
    Span<U> value;
    bool plain;  // no reference, no character that normalisation changes
    const U* at;
  };

  // Reads the attributes of a start tag into m_attrs; m_p after the name.
  int ReadStartTag(Span<U> element, bool& empty) {
    m_attrs.clear();
    for (;;) {
      bool space = SkipSpace();
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, element, m_p);
      if (*m_p == '>') {
        ++m_p;
        empty = false;
        return kNoError;
      }
      if (*m_p == '/') {
        if (m_p + 1 < m_end && m_p[1] == '>') {
          m_p += 2;
          empty = true;
          return kNoError;
        }
        return Fail(kBadStartTagEnd, __LINE__, element, m_p);
      }
      const U* at = m_p;
      Span<U> name = ReadName();
      if (!space || name.size == 0) return Fail(kBadStartTagEnd, __LINE__, element, at);
      SkipSpace();
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, element, m_p);
      if (*m_p != '=') return Fail(kBadStartTagEnd, __LINE__, name, m_p);
      ++m_p;
      SkipSpace();
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, element, m_p);
      if (*m_p != '"' && *m_p != '\'') return Fail(kBadStartTagEnd, __LINE__, name, m_p);
      U quote = *m_p++;
      const U* start = m_p;
      bool plain = true;
      for (;; ++m_p) {
        if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, name, start);
        U c = *m_p;
        if (c == quote) break;
        if (c == '<') return Fail(kBadlyFormed, __LINE__, name, m_p);
        if (c == '&' || c == '\r' || c == '\n' || c == '\t') plain = false;
      }
      m_attrs.push_back({name, {start, static_cast<size_t>(m_p - start)}, plain, at});
      ++m_p;
    }
  }

  static bool Skipped(Span<U> name) {
    return SpanEquals(name, L"xmlns") || SpanStartsWith(name, L"xmlns:") ||
           SpanStartsWith(name, L"xsi:");
  }

  int AssignAttribute(const Field& field, void* object, const RawAttribute& a) {
    void* member = field.member(object);
    int code;
    if (field.value == ValueKind::String) {
      auto* m = static_cast<Value<std::wstring>*>(member);
      std::wstring& target = m->Raw();
      target.clear();
      if (a.plain) {
        AppendUnits(target, a.value.data, a.value.size);
      } else if ((code = Decode(target, a.value.data, a.value.size, true, a.at, 0)) != kNoError) {
        return code;
      }
      m->MarkPresent();
      return kNoError;
    }
    if (a.plain) {
      code = ConvertValue(field.value, member, a.value.data, a.value.size);
    } else {
      m_scratch.clear();
      if ((code = Decode(m_scratch, a.value.data, a.value.size, true, a.at, 0)) != kNoError)
        return code;
      code = ConvertValue(field.value, member, m_scratch.data(), m_scratch.size());
    }
    if (code != kNoError) return Fail(code, __LINE__, field.name, a.at);
    return kNoError;
  }

  int ReadAttributes(const ElementType& type, void* object) {
    uint64_t seen = 0;
    size_t hint = 0;
    const size_t count = type.attributeCount;
    for (const RawAttribute& a : m_attrs) {
      size_t found = count;
      // Attributes usually come in table order: start after the last match.
      for (size_t k = 0; k < count; ++k) {
        size_t idx = hint + k < count ? hint + k : hint + k - count;
        if (SpanEquals(a.name, type.fields[idx].name)) {
          found = idx;
          break;
        }
      }
      if (found == count) {
        if (Skipped(a.name)) continue;
        return Fail(kUnexpectedAttribute, __LINE__, a.name, a.at);
      }
      uint64_t bit = uint64_t{1} << (found & 63);
      if (seen & bit) return Fail(kAttributeAlreadyRead, __LINE__, a.name, a.at);
      seen |= bit;
      hint = found + 1 < count ? found + 1 : 0;
      int code = AssignAttribute(type.fields[found], object, a);
      if (code != kNoError) return code;
    }
    return kNoError;
  }

  // Reads "</name>"; m_p at "</".
  int EndTag(Span<U> name) {
    const U* at = m_p;
    m_p += 2;
    Span<U> found = ReadName();
    if (found.size == 0) return Fail(kEndTagSyntax, __LINE__, name, at);
    SkipSpace();
    if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, name, at);
    if (*m_p != '>') return Fail(kEndTagSyntax, __LINE__, name, m_p);
    ++m_p;
    if (!SpanEquals(found, name)) return Fail(kBadEndOfElement, __LINE__, name, at);
    return kNoError;
  }

  // Scans character data up to the next "<"; reports whether it holds
  // anything but white space and whether it needs decoding.
  Span<U> TextRun(bool& blank, bool& plain) {
    const U* start = m_p;
    blank = true;
    plain = true;
    if constexpr (sizeof(U) == 1) {
      const void* lt = std::memchr(m_p, '<', static_cast<size_t>(m_end - m_p));
      m_p = lt ? static_cast<const U*>(lt) : m_end;
    } else {
      const wchar_t* lt = std::wmemchr(m_p, L'<', static_cast<size_t>(m_end - m_p));
      m_p = lt ? lt : m_end;
    }
    for (const U* q = start; q < m_p; ++q) {
      U c = *q;
      if (!IsSpace(c)) blank = false;
      if (c == '&' || c == '\r') plain = false;
      if (c == '>' && q - start >= 2 && q[-1] == ']' && q[-2] == ']') plain = false;
    }
    return {start, static_cast<size_t>(m_p - start)};
  }

  int CheckTextRun(Span<U> run) {
    for (size_t i = 2; i < run.size; ++i)
      if (run.data[i] == '>' && run.data[i - 1] == ']' && run.data[i - 2] == ']')
        return Fail(kBadlyFormed, __LINE__, L"]]>", run.data + i);
    return kNoError;
  }

  // A CDATA section; m_p at "<![CDATA[".
  int CData(Span<U>& content) {
    const U* at = m_p;
    m_p += 9;
    const U* close = Find(L"]]>");
    if (!close) return Fail(kUnexpectedEnd, __LINE__, L"CDATA", at);
    content = {m_p, static_cast<size_t>(close - m_p)};
    m_p = close + 3;
    return kNoError;
  }

  bool MissingMandatory(const ElementType& type, size_t from, size_t to, uint64_t seen,
                        size_t& missing) const {
    for (size_t i = from; i < to; ++i) {
      const Field& f = type.fields[i];
      if (f.mandatory && !(seen & (uint64_t{1} << (i & 63)))) {
        missing = i;
        return true;
      }
    }
    return false;
  }

  // A text-only element; its start tag has been read.
  int ReadTextElement(const Field& field, void* object, Span<U> name, bool empty) {
    for (const RawAttribute& a : m_attrs)
      if (!Skipped(a.name)) return Fail(kUnexpectedAttribute, __LINE__, a.name, a.at);
    void* member = field.member(object);
    std::wstring* target;
    if (field.value == ValueKind::String) {
      target = &static_cast<Value<std::wstring>*>(member)->Raw();
    } else {
      target = &m_scratch;
    }
    target->clear();
    const U* valueAt = m_p;
    int code;
    if (!empty) {
      for (;;) {
        bool blank, plain;
        Span<U> run = TextRun(blank, plain);
        if (run.size) {
          if (!plain && (code = CheckTextRun(run)) != kNoError) return code;
          if (plain)
            AppendUnits(*target, run.data, run.size);
          else if ((code = Decode(*target, run.data, run.size, false, run.data, 0)) != kNoError)
            return code;
        }
        if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, name, m_p);
        if (Looking(L"</")) {
          if ((code = EndTag(name)) != kNoError) return code;
          break;
        }
        if (Looking(L"<!--")) {
          if ((code = Comment()) != kNoError) return code;
        } else if (Looking(L"<![CDATA[")) {
          Span<U> content;
          if ((code = CData(content)) != kNoError) return code;
          // Line ends inside CDATA are normalised like any character data.
          for (size_t i = 0; i < content.size; ++i) {
            U c = content.data[i];
            if (c == '\r') {
              target->push_back(L'\n');
              if (i + 1 < content.size && content.data[i + 1] == '\n') ++i;
            } else {
              size_t j = i;
              while (j < content.size && content.data[j] != '\r') ++j;
              AppendUnits(*target, content.data + i, j - i);
              i = j - 1;
            }
          }
        } else if (Looking(L"<?")) {
          if ((code = Pi()) != kNoError) return code;
        } else {
          return Fail(kUnableToReadElement, __LINE__, name, m_p);
        }
      }
    }
    if (field.value == ValueKind::String) {
      static_cast<Value<std::wstring>*>(member)->MarkPresent();
      return kNoError;
    }
    code = ConvertValue(field.value, member, m_scratch.data(), m_scratch.size());
    if (code != kNoError) return Fail(code, __LINE__, name, valueAt);
    return kNoError;
  }

  // A complex element; its start tag has been read into m_attrs.
  int ReadElement(const ElementType& type, void* object, Span<U> name, bool empty) {
    int code = ReadAttributes(type, object);
    if (code != kNoError) return code;
    const size_t first = type.attributeCount;
    const size_t count = type.fieldCount;
    size_t cursor = first;
    uint64_t seen = 0;
    size_t missing;
    if (empty) {
      if (MissingMandatory(type, first, count, 0, missing))
        return Fail(kMandatoryElementMissing, __LINE__, type.fields[missing].name, m_p);
      return kNoError;
    }
    if (++m_depth > 64) return Fail(kBadlyFormed, __LINE__, name, m_p);
    for (;;) {
      bool blank, plain;
      Span<U> run = TextRun(blank, plain);
      if (!blank) return Fail(kNotWellFormed, __LINE__, name, run.data);
      if (AtEnd()) return Fail(kUnexpectedEnd, __LINE__, name, m_p);
      const U* at = m_p;
      if (m_p + 1 < m_end && m_p[1] == '/') {
        if ((code = EndTag(name)) != kNoError) return code;
        if (MissingMandatory(type, cursor, count, seen, missing))
          return Fail(kMandatoryElementMissing, __LINE__, type.fields[missing].name, at);
        --m_depth;
        return kNoError;
      }
      if (Looking(L"<!--")) {
        if ((code = Comment()) != kNoError) return code;
        continue;
      }
      if (Looking(L"<![CDATA[")) {
        Span<U> content;
        if ((code = CData(content)) != kNoError) return code;
        for (size_t i = 0; i < content.size; ++i)
          if (!IsSpace(content.data[i])) return Fail(kNotWellFormed, __LINE__, name, at);
        continue;
      }
      if (Looking(L"<?")) {
        if ((code = Pi()) != kNoError) return code;
        continue;
      }
      if (m_p + 1 < m_end && m_p[1] == '!') return Fail(kBadlyFormed, __LINE__, name, m_p);
      ++m_p;
      Span<U> child = ReadName();
      if (child.size == 0) return Fail(kBadlyFormed, __LINE__, name, at);
      size_t index = count;
      for (size_t i = cursor; i < count; ++i)
        if (SpanEquals(child, type.fields[i].name)) {
          index = i;
          break;
        }
      if (index == count) {
        for (size_t i = first; i < cursor; ++i)
          if (SpanEquals(child, type.fields[i].name)) {
            // Known, but its place has passed: a repeat of a single child
            // exceeds its maximum; anything else is out of order.
            const Field& f = type.fields[i];
            bool repeat = f.kind != FieldKind::List && (seen & (uint64_t{1} << (i & 63)));
            return Fail(repeat ? kMaxOccursExceeded : kUnknownElement, __LINE__, child, at);
          }
        return Fail(kUnknownElement, __LINE__, child, at);
      }
      if (MissingMandatory(type, cursor, index, seen, missing))
        return Fail(kMandatoryElementMissing, __LINE__, type.fields[missing].name, at);
      bool childEmpty;
      if ((code = ReadStartTag(child, childEmpty)) != kNoError) return code;
      const Field& field = type.fields[index];
      void* member = field.member(object);
      switch (field.kind) {
        case FieldKind::Text:
          code = ReadTextElement(field, object, child, childEmpty);
          cursor = index + 1;
          break;
        case FieldKind::Child:
          code = ReadElement(field.type(), field.create(member), child, childEmpty);
          cursor = index + 1;
          break;
        case FieldKind::List:
          code = ReadElement(field.type(), field.create(member), child, childEmpty);
          cursor = index;
          break;
        default:
          code = Fail(kUndefinedError, __LINE__, child, at);
      }
      if (code != kNoError) return code;
      seen |= uint64_t{1} << (index & 63);
    }
  }

  const U* m_begin;
  const U* m_p;
  const U* m_end;
  Encoding m_encoding;
  ErrorRecord& m_error;
  // Declared entities by name; each declaration and reference costs one lookup.
  std::unordered_map<std::wstring, Entity> m_entities;
  size_t m_declarations = 0;
  std::wstring m_lookup;
  std::vector<RawAttribute> m_attrs;
  std::wstring m_scratch;
  size_t m_expansionBudget = kEntityExpansionBudget;
  int m_depth = 0;
};


}  // namespace

std::wstring ErrorRecord::ToText() const {
  std::wstring text = L"Error: ";
  text += ErrorMessage(code);
  text += L"\nItem: ";
  text += item;
  text += L"\nProgram file: ";
  text += source.empty() ? std::wstring(kUnspecified) : source;
  text += L"\nProgram line: ";
  text += std::to_wstring(programLine);
  if (xmlLine > 0) {
    text += L"\nXML line: ";
    text += std::to_wstring(xmlLine);
  }
  return text;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    size_t bad = FindInvalidUtf8(s + i, n - i);
    size_t good = bad == std::string::npos ? n - i : bad;
    AppendUtf8(out, text.data() + i, good);
    i += good;
    if (i < n) {
      out.push_back(0xFFFD);
      ++i;
    }
  }
  return out;
}

int ReadDocument(const ElementType& type, void* object, std::wstring_view rootName,
                 std::wstring_view sourceName, const void* data, size_t bytes, ErrorRecord& error) {
  error = ErrorRecord{};
  error.source = sourceName.empty() ? std::wstring(kUnspecified) : std::wstring(sourceName);
  auto fail = [&](int code, int line) {
    error.code = code;
    error.programLine = line;
    error.item = std::wstring(rootName);
    return code;
  };
  const auto* b = static_cast<const unsigned char*>(data);
  if (!b) bytes = 0;
  // UTF-16 is recognised by its byte order mark or by a zero high byte in
  // the first character; UTF-8 is the rest.
  bool wide = false;
  size_t skip = 0;
  if (bytes >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    wide = true;
    skip = 2;
  } else if (bytes >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    return fail(kEncodingNotSupported, __LINE__);
  } else if (bytes >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    skip = 3;
  } else if (bytes >= 2 && b[0] != 0 && b[1] == 0) {
    wide = true;
  } else if (bytes >= 2 && b[0] == 0) {
    return fail(kEncodingNotSupported, __LINE__);
  }
  if (wide) {
    if ((bytes - skip) % 2 != 0) return fail(kEncodingMismatch, __LINE__);
    std::wstring text((bytes - skip) / 2, L'\0');
    std::memcpy(text.data(), b + skip, bytes - skip);
    // A terminating zero passed along with the text is not part of it.
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    for (size_t i = 0; i < text.size(); ++i) {
      wchar_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        error.code = kEncodingMismatch;
        error.programLine = __LINE__;
        error.item = std::wstring(rootName);
        int line = 1;
        for (size_t k = 0; k < i; ++k) line += text[k] == L'\n';
        error.xmlLine = line;
        return kEncodingMismatch;
      }
    }
    Reader<wchar_t> reader(text.data(), text.data() + text.size(), Encoding::Utf16, error);
    return reader.Run(type, object, rootName);
  }
  const char* s = reinterpret_cast<const char*>(b + skip);
  size_t n = bytes - skip;
  while (n > 0 && s[n - 1] == '\0') --n;
  size_t bad = FindInvalidUtf8(reinterpret_cast<const unsigned char*>(s), n);
  if (bad != std::string::npos) {
    error.code = kEncodingMismatch;
    error.programLine = __LINE__;
    error.item = std::wstring(rootName);
    error.xmlLine = 1 + static_cast<int>(std::count(s, s + bad, '\n'));
    return kEncodingMismatch;
  }
  Reader<char> reader(s, s + n, Encoding::Utf8, error);
  return reader.Run(type, object, rootName);
}

int ReadDocumentFile(const ElementType& type, void* object, std::wstring_view rootName,
                     std::wstring_view sourceName, const wchar_t* path, ErrorRecord& error) {
  auto fail = [&]() {
    error = ErrorRecord{};
    error.source = sourceName.empty() ? std::wstring(kUnspecified) : std::wstring(sourceName);
    error.code = kUnableToOpenFile;
    error.programLine = __LINE__;
    error.item = path ? path : L"";
    return kUnableToOpenFile;
  };
  if (!path || !*path) return fail();
  UniqueFile file(CreateFileW(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > (1ull << 31))
    return fail();
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return fail();
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return ReadDocument(type, object, rootName, sourceName, bytes.data(), bytes.size(), error);
}

}  // namespace DocBinding
