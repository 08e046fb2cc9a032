#pragma once
// Formatting of the resource library's texts with numbers ("%d threats in %d
// items"). The texts come from an installed, replaceable library, so they are
// never given to a printf-style formatter: only "%d" (and "%i", "%u") take the
// values in order, "%%" becomes "%", anything else stays as written.

#include <initializer_list>
#include <string>
#include <string_view>

std::wstring FormatIntegers(std::wstring_view format, std::initializer_list<long long> values);
