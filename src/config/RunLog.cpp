// The run log and the date-time masks it and the crash report use.
#include "config/RunLog.h"

#include <array>

#include "runtime/Strings.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

std::u16string Digits(int value, int width) {
    std::u16string text = IntegerText(value);
    if (static_cast<int>(text.size()) < width && value >= 0)
        text.insert(0, static_cast<size_t>(width - static_cast<int>(text.size())), u'0');
    return text;
}

struct MaskToken {
    std::u16string_view Token;
    int LocalTime::*Field;
    int Width;
};

constexpr std::array<MaskToken, 6> MaskTokens{{
    {u"%dd", &LocalTime::Day, 2},
    {u"%mm", &LocalTime::Month, 2},
    {u"%yyyy", &LocalTime::Year, 4},
    {u"%hh", &LocalTime::Hour, 2},
    {u"%ii", &LocalTime::Minute, 2},
    {u"%ss", &LocalTime::Second, 2},
}};

} // namespace

std::u16string DateTimeText(std::u16string_view mask, const LocalTime& time) {
    std::u16string text;
    size_t position = 0;
    while (position < mask.size()) {
        const std::u16string_view rest = mask.substr(position);
        bool replaced = false;
        for (const MaskToken& token : MaskTokens) {
            if (rest.starts_with(token.Token)) {
                text += Digits(time.*token.Field, token.Width);
                position += token.Token.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            text += mask[position++];
    }
    return text;
}

std::u16string DateTimeText(ConfigPlatform& platform, std::u16string_view mask) {
    return DateTimeText(mask, platform.LocalClock());
}

std::u16string LogFileName(std::u16string_view dataFolder, std::u16string_view category, const LocalTime& time) {
    return std::u16string(dataFolder) + std::u16string(category) + u"_" + DateTimeText(LogFileDateMask, time) +
           u".log";
}

void AppendLogEntry(ConfigPlatform& platform, std::u16string_view dataFolder, std::u16string_view category,
                    std::u16string_view message) {
    // One reading of the clock for stamp and file name, so that an entry made at midnight
    // lands in the file of the day its stamp names.
    const LocalTime now = platform.LocalClock();
    const std::u16string entry = DateTimeText(LogTimeMask, now) + u": " + std::u16string(message) + u"\r\n";
    // A failed append is dropped: the log must never stop its caller.
    platform.AppendToFile(LogFileName(dataFolder, category, now), EncodeUtf8(entry));
}

} // namespace brisklet
