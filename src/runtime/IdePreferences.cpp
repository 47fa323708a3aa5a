// What both programs read from the IDE's preferences file: its tab width and its fold start words.
#include "runtime/IdePreferences.h"

#include <algorithm>

#include "runtime/Strings.h"
#include "runtime/TextCodec.h"

namespace brisklet {

std::optional<int32_t> ReadPrefsTabLength(FileOpener& files, PrefsFile& prefs, std::u16string_view path) {
    if (!PrefsOpen(prefs, files, path))
        return std::nullopt;
    PrefsSelectGroup(prefs, u"Global");
    const auto tabLength =
        static_cast<int32_t>(ParseInteger(PrefsReadText(prefs, u"TabLength", IntegerText(DefaultTabLength))));
    PrefsClose(prefs);
    return tabLength;
}

std::optional<std::vector<std::string>> ReadPrefsFoldStartWords(FileOpener& files, PrefsFile& prefs,
                                                                std::u16string_view path) {
    if (!PrefsOpen(prefs, files, path))
        return std::nullopt;
    PrefsSelectGroup(prefs, u"Folding");
    const std::u16string count = PrefsReadText(prefs, u"StartWords", u"");
    std::optional<std::vector<std::string>> words;
    if (!count.empty()) {
        words.emplace();
        // No more words than the file has entries, whatever number a damaged file names.
        const int64_t last = std::min(ParseInteger(count), static_cast<int64_t>(prefs.Entries.size()));
        for (int64_t i = 1; i <= last; ++i) {
            const std::u16string word = PrefsReadText(prefs, u"Start_" + IntegerText(static_cast<int32_t>(i)), u"");
            if (!word.empty())
                words->push_back(EncodeUtf8(word));
        }
    }
    PrefsClose(prefs);
    return words;
}

} // namespace brisklet
