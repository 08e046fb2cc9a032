// The document binding shared by every engine document: value members with
// present flags, owned children and ordered lists, a descriptor per element
// type, and the generic reader and writer that work from those descriptors.
//
// A document unit declares each element class once, as a field list:
//
//   #define QV_FIELDS_Cpath(A, T, C, L) A(std::wstring, value, L"")
//   DOCBINDING_CLASS(Cpath, QV_FIELDS_Cpath)
//
// and, in its .cpp, DOCBINDING_DESCRIBE(Cpath, QV_FIELDS_Cpath). The four
// field kinds, listed attributes first and then child elements in document
// order:
//   A(type, name, default)          attribute
//   T(type, name, default, use)     text-only child element (use: Optional or Mandatory)
//   C(Class, name, use)             complex child element, at most once
//   L(Class, name)                  complex child element, repeated (ordered list)
// The member is named after the attribute or element; types are std::wstring,
// uint32_t, int32_t, uint64_t and bool.
//
// What the reader reports, besides the value codes 35/36/37:
//   1 file cannot be opened or read        16 root element of another name
//   3 attribute given twice                17 external DTD or external entity declared
//   5 broken markup, bad reference,        21 mandatory child missing
//     content after the root element       23 non-blank text in a complex element
//   6 encoding other than UTF-8/UTF-16LE   24 entity that refers to itself
//   8 "--" inside a comment                26 single child given twice
//   9 malformed or second DOCTYPE          29 element inside a text-only element
//  10 end tag names another element        31 unknown or out-of-order child element
//  11 malformed start tag                  33 parameter entity reference, entity with
//  12 malformed end tag                       markup, entity expansion over its bound
//  13 malformed XML declaration            34 input ends too early
//  14 XML version other than 1.0 / 1.1     39 attribute the element does not define
//  15 bytes that are not valid UTF-8 /     41 undeclared entity
//     UTF-16, or UTF-16 declared over 8-bit input
// The writer reports 46 when a mandatory child is missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/TextConvert.h"

namespace DocBinding {

// Result codes of reads and writes; 0 is success. The messages are in ErrorMessage.
enum ErrorCode : int {
  kNoError = 0,
  kUnableToOpenFile = 1,
  kAllCardinality = 2,
  kAttributeAlreadyRead = 3,
  kAttributesInAnonymousCompositor = 4,
  kBadlyFormed = 5,
  kEncodingNotSupported = 6,
  kInappropriateChoice = 7,
  kBadComment = 8,
  kBadDtd = 9,
  kBadEndOfElement = 10,
  kBadStartTagEnd = 11,
  kEndTagSyntax = 12,
  kBadXmlDecl = 13,
  kUnsupportedXmlVersion = 14,
  kEncodingMismatch = 15,
  kElementNotFound = 16,
  kExternalEntity = 17,
  kFractionDigits = 18,
  kLengthTooLong = 19,
  kLengthTooShort = 20,
  kMandatoryElementMissing = 21,
  kNoPatternMatched = 22,
  kNotWellFormed = 23,
  kRecursiveEntity = 24,
  kRequiredAttributeMissing = 25,
  kMaxOccursExceeded = 26,
  kTotalDigits = 27,
  kUnableToReadAttribute = 28,
  kUnableToReadElement = 29,
  kUnknownElementInAll = 30,
  kUnknownElement = 31,
  kUnexpectedEmptyElement = 32,
  kUnexpectedEntity = 33,
  kUnexpectedEnd = 34,
  kInvalidValueFormat = 35,
  kValueAboveMaximum = 36,
  kValueBelowMinimum = 37,
  kEnumerationMismatch = 38,
  kUnexpectedAttribute = 39,
  kNilledElementNotEmpty = 40,
  kEntityNotFound = 41,
  kUndefinedError = 42,
  kFixedConstraint = 43,
  kUnknownXsiType = 44,
  kTypeNotSet = 45,
  kOccursOnMarshaling = 46,
  kUserDefinedFirst = 1000,
  kUserDefinedLast = 1008,
};

// The message of a code ("No Error" for 0, "User defined error n" for
// 1000..1008, "Undefined error" for anything unknown).
const wchar_t* ErrorMessage(int code);

// What the reader records about the failure that ended it.
struct ErrorRecord {
  int code = kNoError;
  std::wstring item;    // element or attribute being processed
  std::wstring source;  // document name, "<unspecified>" when none was set
  int programLine = 0;  // location in the binding that detected the failure
  int xmlLine = 0;      // 1-based line of the input, 0 when not known

  // "Error: ...", "Item: ...", "Program file: ...", "Program line: ...",
  // and "XML line: ..." when known; one per line.
  std::wstring ToText() const;
};

// A value member: the value plus its present flag. Setting it from code
// sets the flag; only present members are written.
template <class T>
class Value {
 public:
  Value() = default;
  Value(T initial) : m_value(std::move(initial)) {}

  const T& Get() const { return m_value; }
  void Set(T value) {
    m_value = std::move(value);
    m_present = true;
  }
  bool IsPresent() const { return m_present; }
  // Clears the flag only; the value stays as it is but is no longer written.
  void ClearPresent() { m_present = false; }

  // For the reader: direct access without touching the flag.
  T& Raw() { return m_value; }
  void MarkPresent() { m_present = true; }

 private:
  T m_value{};
  bool m_present = false;
};

// A complex child that occurs at most once: owned, null when absent, deep-copied.
template <class T>
class Child {
 public:
  Child() = default;
  Child(const Child& other) : m_ptr(other.m_ptr ? std::make_unique<T>(*other.m_ptr) : nullptr) {}
  Child(Child&&) noexcept = default;
  Child& operator=(const Child& other) {
    if (this != &other) m_ptr = other.m_ptr ? std::make_unique<T>(*other.m_ptr) : nullptr;
    return *this;
  }
  Child& operator=(Child&&) noexcept = default;

  T* Get() { return m_ptr.get(); }
  const T* Get() const { return m_ptr.get(); }
  // Returns the child, creating it with its defaults when absent.
  T& Create() {
    if (!m_ptr) m_ptr = std::make_unique<T>();
    return *m_ptr;
  }
  void Reset() { m_ptr.reset(); }
  explicit operator bool() const { return m_ptr != nullptr; }
  T* operator->() { return m_ptr.get(); }
  const T* operator->() const { return m_ptr.get(); }

 private:
  std::unique_ptr<T> m_ptr;
};

// A repeated complex child: an ordered list of owned objects. References to
// items stay valid while other items are appended.
template <class T>
class List {
 public:
  List() = default;
  List(const List& other) { CopyFrom(other); }
  List(List&&) noexcept = default;
  List& operator=(const List& other) {
    if (this != &other) {
      m_items.clear();
      CopyFrom(other);
    }
    return *this;
  }
  List& operator=(List&&) noexcept = default;

  size_t Count() const { return m_items.size(); }
  bool Empty() const { return m_items.empty(); }
  T& Item(size_t index) { return *m_items[index]; }
  const T& Item(size_t index) const { return *m_items[index]; }
  T& operator[](size_t index) { return *m_items[index]; }
  const T& operator[](size_t index) const { return *m_items[index]; }
  T& Append() { return *m_items.emplace_back(std::make_unique<T>()); }
  T& Append(T item) { return *m_items.emplace_back(std::make_unique<T>(std::move(item))); }
  void Remove(size_t index) {
    if (index < m_items.size()) m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void Clear() { m_items.clear(); }

  template <class Item, class Base>
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::remove_const_t<Item>;
    using difference_type = std::ptrdiff_t;
    using pointer = Item*;
    using reference = Item&;
    explicit Iterator(Base it) : m_it(it) {}
    Item& operator*() const { return **m_it; }
    Item* operator->() const { return m_it->get(); }
    Iterator& operator++() {
      ++m_it;
      return *this;
    }
    bool operator==(const Iterator& o) const { return m_it == o.m_it; }
    bool operator!=(const Iterator& o) const { return m_it != o.m_it; }

   private:
    Base m_it;
  };
  using Storage = std::vector<std::unique_ptr<T>>;
  auto begin() { return Iterator<T, typename Storage::iterator>(m_items.begin()); }
  auto end() { return Iterator<T, typename Storage::iterator>(m_items.end()); }
  auto begin() const {
    return Iterator<const T, typename Storage::const_iterator>(m_items.begin());
  }
  auto end() const { return Iterator<const T, typename Storage::const_iterator>(m_items.end()); }

 private:
  void CopyFrom(const List& other) {
    m_items.reserve(other.m_items.size());
    for (const auto& item : other.m_items) m_items.push_back(std::make_unique<T>(*item));
  }
  Storage m_items;
};

// ---- Descriptors -------------------------------------------------------

enum class FieldKind : uint8_t { Attribute, Text, Child, List };
enum class ValueKind : uint8_t { String, Unsigned, Int, UInt64, Bool, None };
enum Use : uint8_t { Optional = 0, Mandatory = 1 };

template <class T>
constexpr ValueKind KindOf();
template <>
constexpr ValueKind KindOf<std::wstring>() {
  return ValueKind::String;
}
template <>
constexpr ValueKind KindOf<uint32_t>() {
  return ValueKind::Unsigned;
}
template <>
constexpr ValueKind KindOf<int32_t>() {
  return ValueKind::Int;
}
template <>
constexpr ValueKind KindOf<uint64_t>() {
  return ValueKind::UInt64;
}
template <>
constexpr ValueKind KindOf<bool>() {
  return ValueKind::Bool;
}

struct ElementType;

struct Field {
  FieldKind kind;
  ValueKind value;  // Attribute and Text
  bool mandatory;   // Text and Child
  std::wstring_view name;
  void* (*member)(void* object);
  const ElementType& (*type)();  // Child and List
  // Child: create if absent; List: append. Returns the new object.
  void* (*create)(void* member);
  // Child: 0 or 1; List: count.
  size_t (*count)(const void* member);
  const void* (*item)(const void* member, size_t index);
};

struct ElementType {
  std::wstring_view className;
  const Field* fields;
  size_t fieldCount;
  size_t attributeCount;  // attributes come first
};

template <class T>
struct ChildOps {
  static void* Create(void* m) { return &static_cast<Child<T>*>(m)->Create(); }
  static size_t Count(const void* m) { return static_cast<const Child<T>*>(m)->Get() ? 1 : 0; }
  static const void* Item(const void* m, size_t) { return static_cast<const Child<T>*>(m)->Get(); }
};
template <class T>
struct ListOps {
  static void* Create(void* m) { return &static_cast<List<T>*>(m)->Append(); }
  static size_t Count(const void* m) { return static_cast<const List<T>*>(m)->Count(); }
  static const void* Item(const void* m, size_t i) {
    return &static_cast<const List<T>*>(m)->Item(i);
  }
};

constexpr size_t CountAttributes(const Field* fields, size_t count) {
  size_t n = 0;
  while (n < count && fields[n].kind == FieldKind::Attribute) ++n;
  return n;
}

// ---- Generic reader and writer -----------------------------------------

// Reads a document (UTF-8 or UTF-16LE bytes) into `object`, whose type is
// `type` and whose root element must be `rootName`. On failure `error` holds
// the code and where it stopped; the object keeps what was read so far.
int ReadDocument(const ElementType& type, void* object, std::wstring_view rootName,
                 std::wstring_view sourceName, const void* data, size_t bytes, ErrorRecord& error);
int ReadDocumentFile(const ElementType& type, void* object, std::wstring_view rootName,
                     std::wstring_view sourceName, const wchar_t* path, ErrorRecord& error);

// Writes the document as UTF-8 text into `out` (replacing its content).
int WriteDocument(const ElementType& type, const void* object, std::wstring_view rootName,
                  std::string& out);

// The reader's UTF-8 decoder: each byte that starts no valid sequence becomes
// U+FFFD. Other text conversions go through framework/TextConvert.h.
std::wstring Utf8ToWide(std::string_view text);

// The base of a document's root class: the read and write entry points and
// the record of the last read's failure.
template <class Derived>
class Document {
 public:
  // Replaces the object's content with the document in `data`.
  int ReadFromMemory(const void* data, size_t bytes) {
    Derived& self = Reset();
    return ReadDocument(Derived::BindingType(), &self, Derived::kRootElement, Derived::kSourceName,
                        data, bytes, m_error);
  }
  // Wide text, read as UTF-16LE bytes.
  int ReadFromString(std::wstring_view text) {
    return ReadFromMemory(text.data(), text.size() * sizeof(wchar_t));
  }
  int ReadFromFile(const wchar_t* path) {
    Derived& self = Reset();
    return ReadDocumentFile(Derived::BindingType(), &self, Derived::kRootElement,
                            Derived::kSourceName, path, m_error);
  }
  int ReadFromFile(const std::wstring& path) { return ReadFromFile(path.c_str()); }

  // The UTF-8 document text.
  int WriteToText(std::string& utf8) const {
    return WriteDocument(Derived::BindingType(), static_cast<const Derived*>(this),
                         Derived::kRootElement, utf8);
  }
  // The same document as wide text (for engine strings).
  int WriteToString(std::wstring& text) const {
    std::string utf8;
    int code = WriteToText(utf8);
    if (code == kNoError) text = ToWide(utf8);
    return code;
  }

  const ErrorRecord& LastError() const { return m_error; }

 private:
  Derived& Reset() {
    Derived& self = static_cast<Derived&>(*this);
    self = Derived();
    return self;
  }
  ErrorRecord m_error;
};

}  // namespace DocBinding

// ---- Class generation ---------------------------------------------------

#define DOCBINDING_MEMBER_A(T_, name, def) ::DocBinding::Value<T_> name{def};
#define DOCBINDING_MEMBER_T(T_, name, def, use) ::DocBinding::Value<T_> name{def};
#define DOCBINDING_MEMBER_C(C_, name, use) ::DocBinding::Child<C_> name;
#define DOCBINDING_MEMBER_L(C_, name) ::DocBinding::List<C_> name;
#define DOCBINDING_MEMBERS(FIELDS) \
  FIELDS(DOCBINDING_MEMBER_A, DOCBINDING_MEMBER_T, DOCBINDING_MEMBER_C, DOCBINDING_MEMBER_L)

// A plain element class.
#define DOCBINDING_CLASS(Class, FIELDS)                    \
  class Class {                                            \
   public:                                                 \
    DOCBINDING_MEMBERS(FIELDS)                             \
    static const ::DocBinding::ElementType& BindingType(); \
  };

// A document's root class: also reads and writes the whole document.
#define DOCBINDING_ROOT(Class, RootName, SourceName, FIELDS)     \
  class Class : public ::DocBinding::Document<Class> {           \
   public:                                                       \
    static constexpr std::wstring_view kRootElement = RootName;  \
    static constexpr std::wstring_view kSourceName = SourceName; \
    DOCBINDING_MEMBERS(FIELDS)                                   \
    static const ::DocBinding::ElementType& BindingType();       \
  };

#define DOCBINDING_ACCESS(name) [](void* o) -> void* { return &static_cast<Self*>(o)->name; }
#define DOCBINDING_FIELD_A(T_, name, def)                 \
  ::DocBinding::Field{::DocBinding::FieldKind::Attribute, \
                      ::DocBinding::KindOf<T_>(),         \
                      false,                              \
                      L"" #name,                          \
                      DOCBINDING_ACCESS(name),            \
                      nullptr,                            \
                      nullptr,                            \
                      nullptr,                            \
                      nullptr},
#define DOCBINDING_FIELD_T(T_, name, def, use)                      \
  ::DocBinding::Field{::DocBinding::FieldKind::Text,                \
                      ::DocBinding::KindOf<T_>(),                   \
                      ::DocBinding::use == ::DocBinding::Mandatory, \
                      L"" #name,                                    \
                      DOCBINDING_ACCESS(name),                      \
                      nullptr,                                      \
                      nullptr,                                      \
                      nullptr,                                      \
                      nullptr},
#define DOCBINDING_FIELD_C(C_, name, use)                           \
  ::DocBinding::Field{::DocBinding::FieldKind::Child,               \
                      ::DocBinding::ValueKind::None,                \
                      ::DocBinding::use == ::DocBinding::Mandatory, \
                      L"" #name,                                    \
                      DOCBINDING_ACCESS(name),                      \
                      &C_::BindingType,                             \
                      &::DocBinding::ChildOps<C_>::Create,          \
                      &::DocBinding::ChildOps<C_>::Count,           \
                      &::DocBinding::ChildOps<C_>::Item},
#define DOCBINDING_FIELD_L(C_, name)                      \
  ::DocBinding::Field{::DocBinding::FieldKind::List,      \
                      ::DocBinding::ValueKind::None,      \
                      false,                              \
                      L"" #name,                          \
                      DOCBINDING_ACCESS(name),            \
                      &C_::BindingType,                   \
                      &::DocBinding::ListOps<C_>::Create, \
                      &::DocBinding::ListOps<C_>::Count,  \
                      &::DocBinding::ListOps<C_>::Item},

// The descriptor of a class, in the document unit's .cpp.
#define DOCBINDING_DESCRIBE(Class, FIELDS)                                                       \
  const ::DocBinding::ElementType& Class::BindingType() {                                        \
    using Self = Class;                                                                          \
    static const ::DocBinding::Field fields[] = {                                                \
        FIELDS(DOCBINDING_FIELD_A, DOCBINDING_FIELD_T, DOCBINDING_FIELD_C, DOCBINDING_FIELD_L)}; \
    static const ::DocBinding::ElementType type{                                                 \
        L"" #Class, fields, std::size(fields),                                                   \
        ::DocBinding::CountAttributes(fields, std::size(fields))};                               \
    return type;                                                                                 \
  }
