#include "engine/documents/Binding.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace DocBinding {

namespace {

const wchar_t* const kMessages[] = {
    L"No Error",
    L"Unable to open file",
    L"Violation of xs:all cardinality constraints",
    L"Attribute has already been read",
    L"Attributes found in anonymous compositor",
    L"XML badly formed",
    L"XML character encoding not supported",
    L"Inappropriate choice option selected",
    L"Badly formed comment",
    L"Badly formed DTD",
    L"Bad end of element",
    L"Bad start tag end",
    L"Syntax error in end tag",
    L"Bad XML Decl spec",
    L"Unsupported XML version",
    L"Mis-match between specified char encoding and read bytes",
    L"Element not found",
    L"Reference to external entity",
    L"Fraction digits exceeded",
    L"Length too long",
    L"Length too short",
    L"Mandatory element missing",
    L"No pattern matched",
    L"Not well formed",
    L"Recursive entity definition",
    L"Required attribute(s) missing",
    L"Element instances exceeds maxOccurs",
    L"Total digits exceeded",
    L"Unable to read attribute value",
    L"Unable to read element value",
    L"Unknown element in xs:all",
    L"Unknown element in complexContent",
    L"Unexpected empty element",
    L"Unexpected entity",
    L"Unexpected end of message",
    L"Invalid value format for this type",
    L"Value greater than specified maximum",
    L"Value less than specified minimum",
    L"Value does not match enumerations",
    L"Unexpected attribute",
    L"Nilled element body not empty",
    L"Entity not found",
    L"Undefined error",
    L"Value does not match specified fixed constraint",
    L"Unknown xsi:type",
    L"Type not set",
    L"min/max occurs error on marshaling",
};
static_assert(std::size(kMessages) == 47);

const wchar_t* const kUserMessages[] = {
    L"User defined error 1", L"User defined error 2", L"User defined error 3",
    L"User defined error 4", L"User defined error 5", L"User defined error 6",
    L"User defined error 7", L"User defined error 8", L"User defined error 9",
};

// ---- Writer ----

// Characters of the basic range that the writer cannot copy as they are.
constexpr bool NeedsAttention(wchar_t c) {
  return c < 0x20 || c >= 0x7F || c == '"' || c == '\'' || c == '&' || c == '<' || c == '>';
}

// Control characters that XML 1.0 allows neither literally nor as references.
// XML 1.1 allows them as references, so a document holding one is declared 1.1.
constexpr bool OutsideXml10(wchar_t c) {
  return c != 0 && c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Characters that an XML 1.1 reader would not take literally: the other
// controls (restricted there) and the two extra line ends it normalises.
constexpr bool ReferencedInXml11(wchar_t c) {
  return (c >= 0x7F && c <= 0x9F) || c == 0x2028;
}

bool StringsNeedXml11(const ElementType& type, const void* object) {
  for (size_t i = 0; i < type.fieldCount; ++i) {
    const Field& f = type.fields[i];
    const void* m = f.member(const_cast<void*>(object));
    if (f.kind == FieldKind::Attribute || f.kind == FieldKind::Text) {
      if (f.value != ValueKind::String) continue;
      const auto* v = static_cast<const Value<std::wstring>*>(m);
      if (v->IsPresent() && std::any_of(v->Get().begin(), v->Get().end(), OutsideXml10))
        return true;
      continue;
    }
    const size_t n = f.count(m);
    for (size_t k = 0; k < n; ++k)
      if (StringsNeedXml11(f.type(), f.item(m, k))) return true;
  }
  return false;
}

class Writer {
 public:
  explicit Writer(std::string& out) : m_out(out) {}

  int Document(const ElementType& type, const void* object, std::wstring_view root) {
    m_out.resize(std::max<size_t>(m_out.capacity(), 1u << 16));
    m_cur = m_out.data();
    m_lim = m_cur + m_out.size();
    m_xml11 = StringsNeedXml11(type, object);
    Raw(m_xml11 ? "<?xml version=\"1.1\" encoding=\"UTF-8\"?>\n"
                : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    int code = Element(type, object, root, 0);
    m_out.resize(static_cast<size_t>(m_cur - m_out.data()));
    return code;
  }

 private:
  // Makes room for n more bytes.
  void Room(size_t n) {
    if (static_cast<size_t>(m_lim - m_cur) >= n) return;
    size_t used = static_cast<size_t>(m_cur - m_out.data());
    m_out.resize(std::max(m_out.size() * 2, used + n));
    m_cur = m_out.data() + used;
    m_lim = m_out.data() + m_out.size();
  }
  void Raw(std::string_view s) {
    Room(s.size());
    std::memcpy(m_cur, s.data(), s.size());
    m_cur += s.size();
  }
  void Char(char c) {
    Room(1);
    *m_cur++ = c;
  }
  void Indent(int depth) {
    Room(static_cast<size_t>(depth));
    std::memset(m_cur, '\t', static_cast<size_t>(depth));
    m_cur += depth;
  }
  void Ascii(std::wstring_view s) {
    Room(s.size());
    for (wchar_t c : s) *m_cur++ = static_cast<char>(c);
  }

  void Escaped(std::wstring_view s, bool attribute) {
    const wchar_t* p = s.data();
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
      // Copy the run that needs no attention.
      size_t j = i;
      while (j < n && !NeedsAttention(p[j])) ++j;
      if (j > i) {
        Room(j - i);
        for (size_t k = i; k < j; ++k) *m_cur++ = static_cast<char>(p[k]);
      }
      if (j >= n) break;
      wchar_t c = p[j];
      i = j + 1;
      switch (c) {
        case '"':
          Raw("&quot;");
          continue;
        case '\'':
          Raw("&apos;");
          continue;
        case '&':
          Raw("&amp;");
          continue;
        case '<':
          Raw("&lt;");
          continue;
        case '>':
          if (j > 0 && p[j - 1] == ']')
            Raw("&gt;");
          else
            Char('>');
          continue;
        default:
          break;
      }
      if (c < 0x20) {
        // Characters a reader would normalise or cannot take literally are
        // written as references so that they read back unchanged.
        if (c == 0) {
          Raw("\xEF\xBF\xBD");
        } else if ((c == '\n' || c == '\t') && !attribute) {
          Char(static_cast<char>(c));
        } else {
          Reference(c);
        }
        continue;
      }
      if (m_xml11 && ReferencedInXml11(c)) {
        Reference(c);
        continue;
      }
      uint32_t cp = c;
      if (c >= 0xD800 && c <= 0xDBFF && i < n && p[i] >= 0xDC00 && p[i] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (p[i] - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        cp = 0xFFFD;  // an unpaired surrogate has no UTF-8 form
      }
      Utf8(cp);
    }
  }

  // A decimal character reference.
  void Reference(wchar_t c) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<unsigned>(c));
    Raw("&#");
    Raw(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
    Char(';');
  }

  void Utf8(uint32_t cp) {
    Room(4);
    if (cp < 0x80) {
      *m_cur++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *m_cur++ = static_cast<char>(0xC0 | (cp >> 6));
      *m_cur++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *m_cur++ = static_cast<char>(0xE0 | (cp >> 12));
      *m_cur++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *m_cur++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *m_cur++ = static_cast<char>(0xF0 | (cp >> 18));
      *m_cur++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *m_cur++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *m_cur++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  template <class T>
  void Number(T v) {
    Room(24);
    m_cur = std::to_chars(m_cur, m_cur + 24, v).ptr;
  }

  static bool Present(const Field& f, const void* object) {
    const void* m = f.member(const_cast<void*>(object));
    switch (f.value) {
      case ValueKind::String:
        return static_cast<const Value<std::wstring>*>(m)->IsPresent();
      case ValueKind::Unsigned:
        return static_cast<const Value<uint32_t>*>(m)->IsPresent();
      case ValueKind::Int:
        return static_cast<const Value<int32_t>*>(m)->IsPresent();
      case ValueKind::UInt64:
        return static_cast<const Value<uint64_t>*>(m)->IsPresent();
      case ValueKind::Bool:
        return static_cast<const Value<bool>*>(m)->IsPresent();
      default:
        return false;
    }
  }

  void WriteValue(const Field& f, const void* object, bool attribute) {
    const void* m = f.member(const_cast<void*>(object));
    switch (f.value) {
      case ValueKind::String:
        Escaped(static_cast<const Value<std::wstring>*>(m)->Get(), attribute);
        break;
      case ValueKind::Unsigned:
        Number(static_cast<const Value<uint32_t>*>(m)->Get());
        break;
      case ValueKind::Int:
        Number(static_cast<const Value<int32_t>*>(m)->Get());
        break;
      case ValueKind::UInt64:
        Number(static_cast<const Value<uint64_t>*>(m)->Get());
        break;
      case ValueKind::Bool:
        Raw(static_cast<const Value<bool>*>(m)->Get() ? "true" : "false");
        break;
      default:
        break;
    }
  }

  static bool TextEmpty(const Field& f, const void* object) {
    if (f.value != ValueKind::String) return false;
    const void* m = f.member(const_cast<void*>(object));
    return static_cast<const Value<std::wstring>*>(m)->Get().empty();
  }

  int Element(const ElementType& type, const void* object, std::wstring_view name, int depth) {
    Indent(depth);
    Char('<');
    Ascii(name);
    bool first = true;
    for (size_t i = 0; i < type.attributeCount; ++i) {
      const Field& f = type.fields[i];
      if (!Present(f, object)) continue;
      if (first) {
        Char(' ');
        first = false;
      } else {
        Char('\n');
        Indent(depth + 2);
      }
      Ascii(f.name);
      Raw("=\"");
      WriteValue(f, object, true);
      Char('"');
    }
    bool content = false;
    for (size_t i = type.attributeCount; i < type.fieldCount; ++i) {
      const Field& f = type.fields[i];
      bool has = f.kind == FieldKind::Text ? Present(f, object)
                                           : f.count(f.member(const_cast<void*>(object))) > 0;
      if (!has && f.mandatory) return kOccursOnMarshaling;
      content = content || has;
    }
    if (!content) {
      Raw("/>\n");
      return kNoError;
    }
    Raw(">\n");
    for (size_t i = type.attributeCount; i < type.fieldCount; ++i) {
      const Field& f = type.fields[i];
      if (f.kind == FieldKind::Text) {
        if (!Present(f, object)) continue;
        Indent(depth + 1);
        Char('<');
        Ascii(f.name);
        if (TextEmpty(f, object)) {
          Raw("/>\n");
          continue;
        }
        Char('>');
        WriteValue(f, object, false);
        Raw("</");
        Ascii(f.name);
        Raw(">\n");
        continue;
      }
      const void* member = f.member(const_cast<void*>(object));
      size_t n = f.count(member);
      if (n == 0) continue;
      const ElementType& childType = f.type();
      for (size_t k = 0; k < n; ++k) {
        int code = Element(childType, f.item(member, k), f.name, depth + 1);
        if (code != kNoError) return code;
      }
    }
    Indent(depth);
    Raw("</");
    Ascii(name);
    Raw(">\n");
    return kNoError;
  }

  std::string& m_out;
  bool m_xml11 = false;  // the document is declared XML 1.1
  char* m_cur = nullptr;
  char* m_lim = nullptr;
};

}  // namespace

const wchar_t* ErrorMessage(int code) {
  if (code >= 0 && code < static_cast<int>(std::size(kMessages))) return kMessages[code];
  if (code >= kUserDefinedFirst && code <= kUserDefinedLast)
    return kUserMessages[code - kUserDefinedFirst];
  return kMessages[kUndefinedError];
}

int WriteDocument(const ElementType& type, const void* object, std::wstring_view rootName,
                  std::string& out) {
  out.clear();
  Writer writer(out);
  int code = writer.Document(type, object, rootName);
  if (code != kNoError) out.clear();
  return code;
}

}  // namespace DocBinding
