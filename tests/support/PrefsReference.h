// A plain second reading of preferences files, and a differential run of the engine against it,
// shared by the randomised test and the fuzz target.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Prefs.h"
#include "runtime/TextCodec.h"
#include "support/MemoryFile.h"

namespace brisklet::test {

// Keys with the index of their header (-1: above the first header).
struct ReferencePrefs {
    struct Key {
        int Group;
        std::string Name;
        std::string Value;
    };
    std::vector<std::string> Groups;
    std::vector<Key> Keys;
};

inline std::string ReferenceTrim(std::string text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

inline bool ReferenceSameName(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Decodes first, splits into lines second, classifies each line third.
inline ReferencePrefs ReadReference(std::string_view bytes) {
    std::string text;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = bytes.substr(3);
    } else {
        std::u16string wide;
        for (const char c : bytes)
            wide += static_cast<char16_t>(static_cast<unsigned char>(c));
        text = EncodeUtf8(wide);
    }
    text = text.substr(0, text.find('\0'));
    for (char& c : text) {
        if (c == '\r')
            c = '\n';
    }
    ReferencePrefs prefs;
    int group = -1;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';')
            continue;
        if (line[first] == '[') {
            const std::string name = line.substr(first + 1);
            prefs.Groups.push_back(name.substr(0, name.find(']')));
            group = static_cast<int>(prefs.Groups.size()) - 1;
            continue;
        }
        const size_t equals = line.find('=');
        const std::string name = line.substr(first, equals == std::string::npos ? std::string::npos : equals - first);
        const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        const size_t nameEnd = name.find_last_not_of(" \t");
        prefs.Keys.push_back({group, name.substr(0, nameEnd == std::string::npos ? 0 : nameEnd + 1), ReferenceTrim(value)});
    }
    return prefs;
}

// Opens bytes in the engine, then selects groups and reads keys drawn from names, comparing
// every answer with the reference. Returns a description of the first difference.
inline std::optional<std::string> RunPrefsDifferential(const std::string& bytes,
                                                       const std::vector<std::u16string>& names,
                                                       std::mt19937& random, int operations) {
    MemoryFileOpener files(bytes);
    PrefsFile prefs;
    if (!PrefsOpen(prefs, files, u"fuzz.prefs"))
        return "the file did not open";
    const ReferencePrefs reference = ReadReference(bytes);
    int current = -1;
    bool pending = false;
    std::uniform_int_distribution<size_t> pick(0, names.size() - 1);
    for (int i = 0; i < operations; ++i) {
        const std::u16string& name = names[pick(random)];
        const std::string utf8 = EncodeUtf8(name);
        if (random() % 2 == 0) {
            bool found = name.empty();
            int match = -1;
            for (size_t g = 0; !found && g < reference.Groups.size(); ++g) {
                if (ReferenceSameName(reference.Groups[g], utf8)) {
                    found = true;
                    match = static_cast<int>(g);
                }
            }
            if (found) {
                current = match;
                pending = false;
            } else {
                pending = true;
            }
            if (PrefsSelectGroup(prefs, name) != found)
                return "select group \"" + utf8 + "\" answered " + (found ? "false" : "true");
        } else {
            std::u16string expected = u"<default>";
            for (size_t k = 0; !pending && k < reference.Keys.size(); ++k) {
                if (reference.Keys[k].Group == current && ReferenceSameName(reference.Keys[k].Name, utf8)) {
                    expected = DecodeUtf8(reference.Keys[k].Value);
                    break;
                }
            }
            if (PrefsReadText(prefs, name, u"<default>") != expected)
                return "read key \"" + utf8 + "\" gave another value than \"" + EncodeUtf8(expected) + "\"";
        }
    }
    PrefsClose(prefs);
    return std::nullopt;
}

// Random bytes rich in the characters the format gives a meaning to.
inline std::string RandomPrefsBytes(std::mt19937& random, size_t maxLength) {
    static constexpr std::string_view alphabet{"[]=; \t\r\n\r\naAbB{_\0\xE9\xEF\xBB\xBF", 21};
    std::string bytes;
    if (random() % 4 == 0)
        bytes = "\xEF\xBB\xBF";
    const size_t length = random() % (maxLength + 1);
    for (size_t i = 0; i < length; ++i)
        bytes += alphabet[random() % alphabet.size()];
    return bytes;
}

// Names to ask for: letters in both cases, blanks and near-letters, "" for the unnamed area.
inline std::vector<std::u16string> PrefsQueryNames() {
    return {u"", u"a", u"A", u"b", u"ab", u"AB", u"aB", u"{", u"[", u"_", u"a b", u" a", u"\u00E9", u"a=", u"=", u"Ab{"};
}

} // namespace brisklet::test
