// A source's tab width. Its .editorconfig files are read by the EditorConfig core library, which
// opens them itself (through the C library, not the FileSystem); files is asked for the full
// path it needs and whether a file that exists can be read at all.
#include "clean/TabWidth.h"

#include <editorconfig/editorconfig.h>

#include <algorithm>
#include <optional>

#include "clean/Sources.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

constexpr const char* ConfigName = ".editorconfig";

bool UsesTabWidth(const std::vector<CleaningOperation>& operations) {
    return std::any_of(operations.begin(), operations.end(), [](CleaningOperation operation) {
        return operation == CleaningOperation::ConvertTabToSpace || operation == CleaningOperation::ConvertSpaceToTab;
    });
}

// A width as tab_width and indent_size give one: a whole number from 1. Anything else ("tab",
// "unset", 0) gives none.
std::optional<int32_t> Width(const char* value) {
    if (value == nullptr)
        return std::nullopt;
    const std::optional<int32_t> width = ParseWhole<int32_t>(value);
    if (!width || *width < 1)
        return std::nullopt;
    return width;
}

// A full path as messages show it: from the current folder when it lies under it, with the
// platform's separator.
std::string Shown(FileSystem& files, const std::string& full) {
    std::string folder;
    std::string shown = full;
    if (files.FullName(".", folder)) {
        if (!folder.ends_with('/'))
            folder += '/';
        if (full.starts_with(folder))
            shown = full.substr(folder.size());
    }
    std::replace(shown.begin(), shown.end(), '/', files.Separator());
    return shown;
}

// The nearest .editorconfig above the file that is there but cannot be read, and why; "" when
// there is none. The library passes such a file by as if it were not there, and would wait
// forever for a writer to a FIFO of that name.
std::string Unreadable(FileSystem& files, const std::string& full, std::string& reason) {
    for (size_t slash = full.rfind('/'); slash != std::string::npos;
         slash = slash == 0 ? std::string::npos : full.rfind('/', slash - 1)) {
        const std::string config = full.substr(0, slash + 1) + ConfigName;
        if (!files.NameExists(config))
            continue;
        FileId opened = 0;
        FileFacts facts;
        if (!files.OpenSource(config, opened, facts)) {
            reason = files.LastError();
            return config;
        }
        if (opened == 0) {
            reason = "not a regular file";
            return config;
        }
        files.Close(opened);
    }
    return {};
}

// The width the .editorconfig files of the file at full give; nullopt with subject and reason
// set when one of them cannot be read or parsed.
std::optional<int32_t> EditorConfigWidth(FileSystem& files, const std::string& full, std::string& subject,
                                         std::string& reason) {
    const std::string unreadable = Unreadable(files, full, reason);
    if (!unreadable.empty()) {
        subject = Shown(files, unreadable);
        return std::nullopt;
    }
    const editorconfig_handle handle = editorconfig_handle_init();
    if (handle == nullptr) {
        reason = "out of memory";
        return std::nullopt;
    }
    const int status = editorconfig_parse(full.c_str(), handle);
    const char* tabWidth = nullptr;
    const char* indentSize = nullptr;
    for (int i = 0; status == 0 && i < editorconfig_handle_get_name_value_count(handle); ++i) {
        const char* name = nullptr;
        const char* value = nullptr;
        editorconfig_handle_get_name_value(handle, i, &name, &value);
        if (std::string_view(name) == "tab_width")
            tabWidth = value;
        else if (std::string_view(name) == "indent_size")
            indentSize = value;
    }
    std::optional<int32_t> width = Width(tabWidth);
    if (!width)
        width = Width(indentSize);
    if (status > 0) {
        const char* file = editorconfig_handle_get_err_file(handle);
        subject = Shown(files, file != nullptr ? file : full);
        reason = "line " + std::to_string(status) + " is neither a [section] nor a name = value";
    } else if (status < 0) {
        reason = status == EDITORCONFIG_PARSE_MEMORY_ERROR ? "out of memory" : editorconfig_get_error_msg(status);
    }
    editorconfig_handle_destroy(handle);
    return width;
}

} // namespace

SourceTabWidth DecideTabWidth(const CleanSettings& settings, FileSystem& files, std::string_view source) {
    const bool isInput = source == StandardInputName;
    const std::string_view name = isInput ? std::string_view(settings.StdinName) : source;
    SourceTabWidth width;
    width.Length = settings.OptionTabLength.value_or(settings.IdeTabLength.value_or(DefaultTabLength));
    if (!UsesTabWidth(settings.Operations))
        return width;
    const std::string length = "tab width " + std::to_string(width.Length);
    if (settings.OptionTabLength || settings.IdeTabLength) {
        width.Origin = length + (settings.OptionTabLength ? " from --tab-length" : " from PB_TOOL_Preferences");
        return width;
    }
    width.Origin = length + ", the default";
    if (!settings.EditorConfig || name.empty())
        return width;
    std::string full;
    std::optional<int32_t> found;
    if (!files.FullName(name, full))
        width.Reason = "no full path to look up its .editorconfig files by: " + files.LastError();
    else
        found = EditorConfigWidth(files, full, width.Subject, width.Reason);
    if (!width.Reason.empty()) {
        width.Reason += isInput ? "; standard input left unread" : "; " + std::string(source) + " left unchanged";
        return width;
    }
    if (found) {
        width.Length = *found;
        width.Origin = "tab width " + std::to_string(*found) + " from .editorconfig";
    }
    return width;
}

} // namespace brisklet
