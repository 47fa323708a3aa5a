// Random texts for the cleaning tests, and the means to report a failing one: escaped for
// reading, and cut down to the few characters that matter.
#pragma once

#include <cstddef>
#include <functional>
#include <random>
#include <string>
#include <string_view>

namespace brisklet::test {

[[nodiscard]] int Uniform(std::mt19937& random, int low, int high);

template <class T, size_t N>
[[nodiscard]] const T& Pick(std::mt19937& random, const T (&items)[N]) {
    return items[static_cast<size_t>(Uniform(random, 0, static_cast<int>(N) - 1))];
}

// Up to a dozen lines of indentation, pieces and trailing blanks, with mixed line ends: rich
// in what the cleaning rules look for and in characters whose encodings or case mappings
// change length. latin1Only keeps every character within U+0001..U+00FF.
[[nodiscard]] std::u16string RandomText(std::mt19937& random, bool latin1Only);

// Readable in a failure message: controls, quotes and everything beyond ASCII escaped.
[[nodiscard]] std::string Escape(std::u16string_view text);
// Well-formed UTF-8 shown as its characters, anything else byte by byte.
[[nodiscard]] std::string EscapeBytes(std::string_view bytes);

// The shortest text found by cutting pieces out of text while it still fails; surrogate
// pairs are never split.
[[nodiscard]] std::u16string Shrink(std::u16string text, const std::function<bool(const std::u16string&)>& fails);

} // namespace brisklet::test
