// What both programs read from the IDE's preferences file: its tab width and its fold start words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/FileOpener.h"
#include "runtime/Prefs.h"

namespace brisklet {

// The IDE's own tab width when its preferences hold none.
inline constexpr int32_t DefaultTabLength = 2;

// "TabLength" of group "Global" in the preferences file at path, DefaultTabLength without it;
// nullopt when the file cannot be opened. Only the low 32 bits are kept; 0 and negative widths
// stay as written.
[[nodiscard]] std::optional<int32_t> ReadPrefsTabLength(FileOpener& files, PrefsFile& prefs,
                                                        std::u16string_view path);

// The fold start words of group "Folding" in the preferences file at path: "Start_1" to
// "Start_N", N being "StartWords" (blank ones left out); nullopt when the file cannot be opened
// or names no number of them, for the IDE's defaults then apply.
[[nodiscard]] std::optional<std::vector<std::string>> ReadPrefsFoldStartWords(FileOpener& files, PrefsFile& prefs,
                                                                              std::u16string_view path);

} // namespace brisklet
