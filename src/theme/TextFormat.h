#pragma once
// Formatting of the resource library's texts with numbers ("%d threats in %d
// items"). The texts come from an installed, replaceable library, so they are
// never given to a printf-style formatter: only "%d" (and "%i", "%u") take the
// values in order, "%%" becomes "%", anything else stays as written.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

class CThemeResources;

std::wstring FormatIntegers(std::wstring_view format, std::initializer_list<long long> values);

// A text with one or two counts, in each of its singular and plural forms:
// forms[0] has every count in the plural ("%d threats detected in %d items")
// and is the one every resource library holds; forms[m] is the form in which
// count i is singular when bit i of m is set ("%d threat detected in %d
// items" for m = 1). 0 marks a form the text does not have.
struct CountedText {
  UINT forms[4] = {};
};

// The string-table ID of the form that agrees with the counts: a count of
// exactly 1 takes the singular; a missing form falls back to forms[0].
UINT CountedTextId(const CountedText& text, std::initializer_list<long long> counts);

// The agreeing form loaded from the theme's library and formatted with the
// counts; a library that lacks that form (another theme's) gives forms[0].
std::wstring FormatCounted(CThemeResources& theme, const CountedText& text,
                           std::initializer_list<long long> counts);
