// The run log: one file per category and day in the data folder, and the date-time masks.
#pragma once

#include <string>
#include <string_view>

#include "config/Platform.h"

namespace brisklet {

inline constexpr std::u16string_view LogTimeMask = u"%dd.%mm.%yyyy %hh:%ii:%ss";
inline constexpr std::u16string_view LogFileDateMask = u"%dd%mm%yyyy";

// Writes a time into a mask: "%dd", "%mm", "%hh", "%ii", "%ss" as two digits, "%yyyy" as
// four; every other character is copied.
[[nodiscard]] std::u16string DateTimeText(std::u16string_view mask, const LocalTime& time);

// The same for the platform's current local time.
[[nodiscard]] std::u16string DateTimeText(ConfigPlatform& platform, std::u16string_view mask);

// dataFolder + category + "_" + the date as ddmmyyyy + ".log".
[[nodiscard]] std::u16string LogFileName(std::u16string_view dataFolder, std::u16string_view category,
                                         const LocalTime& time);

// Appends "time: message" and CR LF, as UTF-8 without a mark, to the day's file of the
// category. Every failure is silent: the entry is dropped and no folder is created.
void AppendLogEntry(ConfigPlatform& platform, std::u16string_view dataFolder, std::u16string_view category,
                    std::u16string_view message);

} // namespace brisklet
