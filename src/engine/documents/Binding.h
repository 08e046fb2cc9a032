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
  Value(T initial) : value_(std::move(initial)) {}

  const T& Get() const { return value_; }
  void Set(T value) {
    value_ = std::move(value);
    present_ = true;
  }
  bool IsPresent() const { return present_; }
  // Clears the flag only; the value stays as it is but is no longer written.
  void ClearPresent() { present_ = false; }

  // For the reader: direct access without touching the flag.
  T& Raw() { return value_; }
  void MarkPresent() { present_ = true; }

 private:
  T value_{};
  bool present_ = false;
};

// A complex child that occurs at most once: owned, null when absent, deep-copied.
template <class T>
class Child {
 public:
  Child() = default;
  Child(const Child& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
  Child(Child&&) noexcept = default;
  Child& operator=(const Child& other) {
    if (this != &other) ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
    return *this;
  }
  Child& operator=(Child&&) noexcept = default;

  T* Get() { return ptr_.get(); }
  const T* Get() const { return ptr_.get(); }
  // Returns the child, creating it with its defaults when absent.
  T& Create() {
    if (!ptr_) ptr_ = std::make_unique<T>();
    return *ptr_;
  }
  void Reset() { ptr_.reset(); }
  explicit operator bool() const { return ptr_ != nullptr; }
  T* operator->() { return ptr_.get(); }
  const T* operator->() const { return ptr_.get(); }

 private:
  std::unique_ptr<T> ptr_;
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
      items_.clear();
      CopyFrom(other);
    }
    return *this;
  }
  List& operator=(List&&) noexcept = default;

  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  T& Item(size_t index) { return *items_[index]; }
  const T& Item(size_t index) const { return *items_[index]; }
  T& operator[](size_t index) { return *items_[index]; }
  const T& operator[](size_t index) const { return *items_[index]; }
  T& Append() { return *items_.emplace_back(std::make_unique<T>()); }
  T& Append(T item) { return *items_.emplace_back(std::make_unique<T>(std::move(item))); }
  void Remove(size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void Clear() { items_.clear(); }

  template <class Item, class Base>
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::remove_const_t<Item>;
    using difference_type = std::ptrdiff_t;
    using pointer = Item*;
    using reference = Item&;
    explicit Iterator(Base it) : it_(it) {}
    Item& operator*() const { return **it_; }
    Item* operator->() const { return it_->get(); }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const Iterator& o) const { return it_ == o.it_; }
    bool operator!=(const Iterator& o) const { return it_ != o.it_; }

   private:
    Base it_;
  };
  using Storage = std::vector<std::unique_ptr<T>>;
  auto begin() { return Iterator<T, typename Storage::iterator>(items_.begin()); }
  auto end() { return Iterator<T, typename Storage::iterator>(items_.end()); }
  auto begin() const { return Iterator<const T, typename Storage::const_iterator>(items_.begin()); }
  auto end() const { return Iterator<const T, typename Storage::const_iterator>(items_.end()); }

 private:
  void CopyFrom(const List& other) {
    items_.reserve(other.items_.size());
    for (const auto& item : other.items_) items_.push_back(std::make_unique<T>(*item));
  }
  Storage items_;
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
                        data, bytes, error_);
  }
  // Wide text, read as UTF-16LE bytes.
  int ReadFromString(std::wstring_view text) {
    return ReadFromMemory(text.data(), text.size() * sizeof(wchar_t));
  }
  int ReadFromFile(const wchar_t* path) {
    Derived& self = Reset();
    return ReadDocumentFile(Derived::BindingType(), &self, Derived::kRootElement,
                            Derived::kSourceName, path, error_);
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

  const ErrorRecord& LastError() const { return error_; }

 private:
  Derived& Reset() {
    Derived& self = static_cast<Derived&>(*this);
    self = Derived();
    return self;
  }
  ErrorRecord error_;
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
