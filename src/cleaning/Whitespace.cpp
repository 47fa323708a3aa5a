// The five whitespace removals: empty lines, leading and trailing runs, double and all spaces.
#include "cleaning/Whitespace.h"

#include "cleaning/LineSteps.h"

namespace brisklet {

template <class CharT>
void RemoveEmptyLines(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, EmptyLineStep<CharT>, {}, changes);
}

template <class CharT>
void RemoveSpacesAtStartOfLines(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, TrimStartStep<CharT>, {}, changes);
}

template <class CharT>
void RemoveSpacesAtEndOfLines(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, TrimEndStep<CharT>, {}, changes);
}

// Both compactions below write without branching on the character: spaces are too frequent
// in source text for a branch to be predicted. The size is held apart, as the compiler
// cannot tell the characters written from the string's own length.
template <class CharT>
void RemoveDoubleSpaces(Text<CharT>& text) {
    const CharT doubleSpace[] = {CharT(' '), CharT(' '), CharT(0)};
    const size_t first = text.find(doubleSpace);
    if (first == Text<CharT>::npos)
        return;
    // A space directly behind a space of the text goes: every run shrinks to its first space.
    CharT* const data = text.data();
    const size_t size = text.size();
    size_t write = first + 1;
    bool afterSpace = true;
    for (size_t read = first + 2; read < size; ++read) {
        const CharT c = data[read];
        const bool space = c == CharT(' ');
        data[write] = c;
        write += !(space && afterSpace);
        afterSpace = space;
    }
    text.resize(write);
}

template <class CharT>
void RemoveAllSpaces(Text<CharT>& text) {
    const size_t first = text.find(CharT(' '));
    if (first == Text<CharT>::npos)
        return;
    CharT* const data = text.data();
    const size_t size = text.size();
    size_t write = first;
    for (size_t read = first + 1; read < size; ++read) {
        const CharT c = data[read];
        data[write] = c;
        write += c != CharT(' ');
    }
    text.resize(write);
}

template void RemoveEmptyLines<char16_t>(Text<char16_t>&, LineChanges*);
template void RemoveSpacesAtStartOfLines<char16_t>(Text<char16_t>&, LineChanges*);
template void RemoveSpacesAtEndOfLines<char16_t>(Text<char16_t>&, LineChanges*);
template void RemoveDoubleSpaces<char16_t>(Text<char16_t>&);
template void RemoveAllSpaces<char16_t>(Text<char16_t>&);

} // namespace brisklet
