// A stand-in for the tool that proves the end-to-end harness: each argument is one action, in order.
//   box=CAPTION|TEXT  a message box with the error icon; plainbox=CAPTION|TEXT  one without an icon
//   env=NAME          a box "NAME" with the variable's value
//   cwd               a box "cwd" with the current directory
//   ask=N             N SCI_GETLENGTH messages to the IDE's visible editor
//   read              SCI_GETCHARACTERPOINTER with a 1000 ms limit; a box "read": "answered" or "no answer"
//   sleep=N           N ms of nothing                exit=N  ends with exit code N
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <Scintilla.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "runtime/win32/OwnedHandle.h"

namespace brisklet::e2e {

namespace {

DWORD ParentProcessId() {
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot.Valid() && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            return entry.th32ParentProcessID;
        }
    }
    return 0;
}

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return std::wcscmp(name, className) == 0;
}

struct Search {
    DWORD ProcessId = 0;
    HWND Found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId && HasClass(window, L"WindowClass_2")) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindVisibleEditor(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (HasClass(window, L"Scintilla") && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindEditor() {
    Search main{ParentProcessId(), nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&main));
    Search editor;
    if (main.Found != nullptr) {
        EnumChildWindows(main.Found, FindVisibleEditor, reinterpret_cast<LPARAM>(&editor));
    }
    return editor.Found;
}

void Box(const std::wstring& caption, const std::wstring& text, UINT icon = MB_ICONERROR) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

unsigned Number(std::wstring_view text) {
    unsigned value = 0;
    for (const wchar_t c : text) {
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

void Act(std::wstring_view action) {
    const size_t equals = action.find(L'=');
    const std::wstring_view name = action.substr(0, equals);
    const std::wstring value(equals == std::wstring_view::npos ? std::wstring_view() : action.substr(equals + 1));
    if (name == L"box" || name == L"plainbox") {
        const size_t bar = value.find(L'|');
        Box(value.substr(0, bar), bar == std::wstring::npos ? std::wstring() : value.substr(bar + 1),
            name == L"box" ? MB_ICONERROR : 0);
    } else if (name == L"env") {
        wchar_t buffer[1024] = {};
        const DWORD length = GetEnvironmentVariableW(value.c_str(), buffer, 1024);
        Box(value, length == 0 ? L"(unset)" : buffer);
    } else if (name == L"cwd") {
        wchar_t buffer[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, buffer);
        Box(L"cwd", buffer);
    } else if (name == L"ask") {
        const HWND editor = FindEditor();
        for (unsigned i = 0; i < Number(value) && editor != nullptr; ++i) {
            SendMessageW(editor, SCI_GETLENGTH, 0, 0);
        }
    } else if (name == L"read") {
        DWORD_PTR answer = 0;
        const bool answered = SendMessageTimeoutW(FindEditor(), SCI_GETCHARACTERPOINTER, 0, 0, SMTO_ABORTIFHUNG,
                                                  1000, &answer) != 0;
        Box(L"read", answered ? L"answered" : L"no answer");
    } else if (name == L"sleep") {
        Sleep(Number(value));
    } else if (name == L"exit") {
        ExitProcess(Number(value));
    } else {
        Box(L"probe", L"unknown action " + std::wstring(action));
    }
}

} // namespace

} // namespace brisklet::e2e

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        brisklet::e2e::Act(arguments[i]);
    }
    LocalFree(arguments);
    return 0;
}
