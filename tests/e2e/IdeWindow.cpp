// The test IDE's windows: a main window of the IDE's class holding Scintilla editors it folds itself.
#include "IdeWindow.h"

#include <windows.h>

#include <Scintilla.h>

#include "CaseCorrection.h"

namespace brisklet::e2e {

namespace {

constexpr wchar_t PanelClass[] = L"TestIdePanel";
constexpr int Width = 900;
constexpr int Height = 700;
// How long a vanishing IDE waits after its answer: the tool reads the document meanwhile and its
// next message then waits on the window or process that goes away.
constexpr DWORD VanishPauseMs = 300;

struct Editor {
    HWND Window = nullptr;
    SciFnDirect Direct = nullptr;
    sptr_t Pointer = 0;
    WNDPROC Original = nullptr;
    bool Stale = false; // the text changed since the fold levels were computed
};

// One IDE per process: the window procedures reach it here.
struct Ide {
    HMODULE Scintilla = nullptr;
    HWND Main = nullptr;
    std::vector<Editor> Editors;
    size_t Visible = 0;
    int MessageDepth = 0;
    bool Counting = false;
    MessageCounts Counts;
    DWORD HangMs = 0;
    bool HangDone = false;
    Vanish Vanishing = Vanish::None;
    unsigned VanishAfter = 0;
    Vanish Vanished = Vanish::None;
    HWND DocumentView = nullptr; // shows the document of an editor whose window went away
    HANDLE Tool = nullptr;
    std::vector<ToolWrite> Writes;
    bool AwaitingNext = false; // a write came and no message after it yet
    test::FoldWords FoldWords;
    bool CaseCorrection = false;
    bool HiddenForTool = false;
    std::string Typed;         // typed into the visible editor once it answered TypeAfter
    unsigned TypeAfter = 0;
    IdeWindows Named;
};
Ide ide;

// The IDE's own calls go straight to the control, so they are neither counted nor stalled.
sptr_t Call(const Editor& editor, unsigned message, uptr_t wParam = 0, sptr_t lParam = 0) {
    return editor.Direct(editor.Pointer, message, wParam, lParam);
}

Editor* FindEditor(HWND window) {
    for (Editor& editor : ide.Editors) {
        if (editor.Window == window) {
            return &editor;
        }
    }
    return nullptr;
}

std::string BytesOf(const Editor& editor) {
    const sptr_t length = Call(editor, SCI_GETLENGTH);
    const auto* bytes = reinterpret_cast<const char*>(Call(editor, SCI_GETCHARACTERPOINTER));
    return std::string(bytes, static_cast<size_t>(length));
}

// As the IDE styles changed text for display, with undo collection off: the corrections are in
// no undo step of their own.
void CorrectCase(const Editor& editor) {
    const std::vector<Correction> corrections = CaseCorrections(BytesOf(editor));
    if (corrections.empty()) {
        return;
    }
    Call(editor, SCI_SETUNDOCOLLECTION, 0);
    for (const Correction& correction : corrections) {
        Call(editor, SCI_SETTARGETRANGE, correction.Offset, static_cast<sptr_t>(correction.Offset + correction.Keyword.size()));
        Call(editor, SCI_REPLACETARGET, correction.Keyword.size(), reinterpret_cast<sptr_t>(correction.Keyword.data()));
    }
    Call(editor, SCI_SETUNDOCOLLECTION, 1);
}

void RecomputeFolds(Editor& editor) {
    if (ide.CaseCorrection && editor.Stale) {
        CorrectCase(editor);
    }
    editor.Stale = false;
    const std::vector<int> levels = test::ComputeFoldLevels(BytesOf(editor), ide.FoldWords);
    for (size_t line = 0; line < levels.size(); ++line) {
        if (Call(editor, SCI_GETFOLDLEVEL, line) != levels[line]) {
            Call(editor, SCI_SETFOLDLEVEL, line, levels[line]);
        }
    }
}

// Never inside a notification: the control is still in the middle of its change then.
void RecomputeStaleFolds() {
    for (Editor& editor : ide.Editors) {
        if (editor.Stale) {
            RecomputeFolds(editor);
        }
    }
}

// A hidden editor window of its own on the document, which keeps the document alive.
Editor ViewOfDocument(sptr_t document) {
    Editor view;
    view.Window = CreateWindowExW(0, L"Scintilla", L"", WS_POPUP, 0, 0, Width, Height, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    view.Direct = reinterpret_cast<SciFnDirect>(SendMessageW(view.Window, SCI_GETDIRECTFUNCTION, 0, 0));
    view.Pointer = static_cast<sptr_t>(SendMessageW(view.Window, SCI_GETDIRECTPOINTER, 0, 0));
    Call(view, SCI_SETDOCPOINTER, 0, document);
    ide.DocumentView = view.Window;
    return view;
}

// The tool gets its answer at once; after the pause the editor, the main window or the process
// goes. A window's document outlives it in a view of its own, so what the tool wrote (or did
// not) can still be read; the view takes the vanished editor's place in the list.
void VanishAfterAnswering(LRESULT answer) {
    const Vanish what = ide.Vanishing;
    ide.Vanishing = Vanish::None;
    ide.Vanished = what;
    ReplyMessage(answer);
    Sleep(VanishPauseMs);
    if (what == Vanish::Process) {
        ExitProcess(0);
    }
    const Editor& visible = ide.Editors[ide.Visible];
    const sptr_t document = Call(visible, SCI_GETDOCPOINTER);
    Call(visible, SCI_ADDREFDOCUMENT, 0, document);
    DestroyWindow(what == Vanish::Main ? ide.Main : visible.Window);
    const Editor view = ViewOfDocument(document);
    Call(view, SCI_RELEASEDOCUMENT, 0, document);
    if (what == Vanish::Main) {
        ide.Main = nullptr;
        ide.Editors.assign(1, view);
        ide.Visible = 0;
    } else {
        ide.Editors[ide.Visible] = view;
    }
}

// The tool gets its answer; then the user types, before the IDE handles anything else.
void TypeAfterAnswering(const Editor& editor, LRESULT answer) {
    const std::string typed = std::move(ide.Typed);
    ide.Typed.clear();
    ReplyMessage(answer);
    for (const char c : typed) {
        CallWindowProcW(editor.Original, editor.Window, WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    RecomputeStaleFolds();
}

void* AllocationOf(LPARAM address) {
    MEMORY_BASIC_INFORMATION region{};
    return VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) != 0 ? region.AllocationBase
                                                                                      : nullptr;
}

// Each handle value the tool may hold (multiples of 4, taken low first) copied here and asked for
// its process.
int HandlesOnThisProcess(HANDLE tool) {
    constexpr uintptr_t LastHandleValue = 4096;
    int count = 0;
    for (uintptr_t value = 4; value <= LastHandleValue; value += 4) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(tool, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            count += GetProcessId(copy) == GetCurrentProcessId() ? 1 : 0;
            CloseHandle(copy);
        }
    }
    return count;
}

void NoteToolWrites(UINT message, LPARAM lParam) {
    // Only a message the tool sent: the IDE's own (painting, say) may come while the tool is
    // still between its write and its clean-up.
    if (ide.AwaitingNext && InSendMessage()) {
        ide.AwaitingNext = false;
        ide.Writes.back().HandlesAfter = HandlesOnThisProcess(ide.Tool);
    }
    if (message == SCI_SETTEXT || message == SCI_REPLACESEL) {
        ide.Writes.push_back({AllocationOf(lParam), -1});
        ide.AwaitingNext = true;
    }
}

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Editor* editor = FindEditor(window);
    if (editor == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const bool scintillaMessage = message >= SCI_START && message < 5000;
    if (ide.Counting && editor != &ide.Editors[ide.Visible] && scintillaMessage) {
        ++ide.Counts.OtherScintilla;
    }
    if (ide.Counting && editor == &ide.Editors[ide.Visible]) {
        ++ide.Counts.All;
        if (scintillaMessage) {
            ++ide.Counts.Scintilla;
        }
        NoteToolWrites(message, lParam);
        if (message == SCI_GETCHARACTERPOINTER && ide.HangMs > 0 && !ide.HangDone) {
            ide.HangDone = true;
            Sleep(ide.HangMs); // a busy IDE: the sender waits or gives up
        }
    }
    const bool vanishNow = ide.Counting && editor == &ide.Editors[ide.Visible] && ide.Vanishing != Vanish::None &&
                           message == ide.VanishAfter;
    const bool typeNow = ide.Counting && editor == &ide.Editors[ide.Visible] && !ide.Typed.empty() &&
                         message == ide.TypeAfter;
    ++ide.MessageDepth;
    const LRESULT result = CallWindowProcW(editor->Original, window, message, wParam, lParam);
    --ide.MessageDepth;
    if (ide.MessageDepth == 0) {
        RecomputeStaleFolds();
    }
    if (typeNow) {
        TypeAfterAnswering(*editor, result);
    }
    if (vanishNow) {
        VanishAfterAnswering(result); // the editor and its entry may be gone afterwards
    }
    return result;
}

// The editors' parent: their change notifications arrive here.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* notification = reinterpret_cast<const SCNotification*>(lParam);
        const int textChange = SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT;
        if (notification->nmhdr.code == SCN_MODIFIED && (notification->modificationType & textChange) != 0) {
            if (Editor* editor = FindEditor(static_cast<HWND>(notification->nmhdr.hwndFrom))) {
                editor->Stale = true;
            }
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClasses(const std::wstring& mainClass) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = mainClass.c_str();
    if (RegisterClassExW(&windowClass) == 0) {
        return false;
    }
    windowClass.lpfnWndProc = PanelProc;
    windowClass.lpszClassName = PanelClass;
    return RegisterClassExW(&windowClass) != 0;
}

std::wstring ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool CreateEditor(HWND parent, bool visible, std::wstring& error) {
    const DWORD style = WS_CHILD | WS_VSCROLL | WS_HSCROLL | (visible ? WS_VISIBLE : 0);
    Editor editor;
    editor.Window = CreateWindowExW(0, L"Scintilla", L"", style, 0, 0, Width - 20, Height - 60, parent, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    if (editor.Window == nullptr) {
        error = L"cannot create a Scintilla window";
        return false;
    }
    editor.Direct = reinterpret_cast<SciFnDirect>(SendMessageW(editor.Window, SCI_GETDIRECTFUNCTION, 0, 0));
    editor.Pointer = static_cast<sptr_t>(SendMessageW(editor.Window, SCI_GETDIRECTPOINTER, 0, 0));
    ide.Editors.push_back(editor);
    return true;
}

bool LoadDocument(Editor& editor, const Scenario& scenario, std::wstring& error) {
    Call(editor, SCI_SETCARETPERIOD, 0); // no blink timer ticking through the counts
    Call(editor, SCI_SETCODEPAGE, static_cast<uptr_t>(scenario.CodePage));
    // SCI_SETTEXT would stop at the first zero byte.
    Call(editor, SCI_CLEARALL);
    Call(editor, SCI_APPENDTEXT, scenario.Document.size(), reinterpret_cast<sptr_t>(scenario.Document.data()));
    RecomputeFolds(editor);
    Call(editor, SCI_EMPTYUNDOBUFFER);
    for (const intptr_t line : scenario.FoldedLines) {
        if ((Call(editor, SCI_GETFOLDLEVEL, static_cast<uptr_t>(line)) & SC_FOLDLEVELHEADERFLAG) == 0) {
            error = L"folded= names line " + std::to_wstring(line) + L", which is no fold header";
            return false;
        }
        Call(editor, SCI_FOLDLINE, static_cast<uptr_t>(line), SC_FOLDACTION_CONTRACT);
    }
    if (scenario.CaretLine) {
        Call(editor, SCI_GOTOLINE, static_cast<uptr_t>(*scenario.CaretLine));
    }
    if (scenario.Selection) {
        Call(editor, SCI_SETSEL, static_cast<uptr_t>(scenario.Selection->first), scenario.Selection->second);
    }
    for (const auto& [line, mask] : scenario.Markers) {
        Call(editor, SCI_MARKERADDSET, static_cast<uptr_t>(line), mask);
    }
    Call(editor, SCI_SETREADONLY, scenario.ReadOnly ? 1 : 0);
    return true;
}

// Like the IDE's File Viewer: a top-level window of its own, owned by the main window, with an
// editor in it.
bool OpenViewer(std::wstring& error) {
    ide.Named.Viewer = CreateWindowExW(0, PanelClass, L"Viewer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, Width, Height,
                                       ide.Main, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (ide.Named.Viewer == nullptr || !CreateEditor(ide.Named.Viewer, true, error)) {
        error = L"cannot open the viewer window";
        return false;
    }
    ide.Named.ViewerEditor = ide.Editors.back().Window;
    return true;
}

// An editor that was opened and closed again: its handle names no window any more.
HWND ClosedEditorHandle(HWND parent) {
    const HWND window = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD, 0, 0, Width, Height, parent, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(window);
    return window;
}

} // namespace

bool OpenIde(const Scenario& scenario, const test::FoldWords& foldWords, std::wstring& error) {
    ide.FoldWords = foldWords;
    ide.Typed = scenario.Typed;
    ide.TypeAfter = scenario.TypeAfter;
    const std::wstring dll = ExecutableFolder() + L"Scintilla.dll";
    ide.Scintilla = LoadLibraryW(dll.c_str());
    if (ide.Scintilla == nullptr) {
        error = L"cannot load " + dll;
        return false;
    }
    if (!RegisterClasses(scenario.MainClass)) {
        error = L"cannot register the window classes";
        return false;
    }
    const DWORD frame = scenario.MainCaption ? WS_OVERLAPPEDWINDOW : WS_POPUP | WS_THICKFRAME;
    ide.Main = CreateWindowExW(0, scenario.MainClass.c_str(), L"Test IDE", frame, 40, 40, Width, Height, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    // Like the IDE's panel gadget, a window between the main window and its editors; nested
    // panels put them deeper.
    HWND panel = ide.Main;
    for (int level = 0; level < scenario.Nesting && panel != nullptr; ++level) {
        panel = CreateWindowExW(0, PanelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, Width, Height, panel, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    if (ide.Main == nullptr || panel == nullptr) {
        error = L"cannot create the main window";
        return false;
    }
    // Hidden editors on both sides of the visible ones, whichever way the windows are enumerated.
    const int middle = scenario.EditorVisible ? scenario.VisibleEditors : 1;
    for (int i = 0; i < 2 * scenario.HiddenEditors + middle; ++i) {
        const bool visible = scenario.EditorVisible && i >= scenario.HiddenEditors && i < scenario.HiddenEditors + middle;
        if (!CreateEditor(panel, visible, error)) {
            return false;
        }
    }
    // The first visible editor is the one reported; without any, the one in the middle.
    ide.Visible = static_cast<size_t>(scenario.HiddenEditors);
    ide.Named.Main = ide.Main;
    ide.Named.Panel = panel;
    ide.Named.Editor = ide.Editors[ide.Visible].Window;
    if (scenario.HiddenEditors > 0) {
        ide.Named.HiddenEditor = ide.Editors.front().Window;
    }
    if (scenario.Viewer && !OpenViewer(error)) {
        return false;
    }
    ide.Named.ClosedEditor = ClosedEditorHandle(panel);
    for (Editor& editor : ide.Editors) {
        if (!LoadDocument(editor, scenario, error)) {
            return false;
        }
        editor.Original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(editor.Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc)));
    }
    if (scenario.MainVisible) {
        ShowWindow(ide.Main, SW_SHOWNORMAL);
        UpdateWindow(ide.Main);
        // In front, as when the user starts the tool: a box the tool lets the IDE own shows.
        SetForegroundWindow(ide.Main);
    }
    PumpMessages();
    // The document as loaded stays as it is; what changes from now on is corrected.
    ide.CaseCorrection = scenario.CaseCorrection;
    return true;
}

void CloseIde() {
    if (ide.Main != nullptr) {
        DestroyWindow(ide.Main);
        PumpMessages();
    }
    if (ide.DocumentView != nullptr) {
        DestroyWindow(ide.DocumentView);
    }
    ide.Editors.clear();
    if (ide.Scintilla != nullptr) {
        FreeLibrary(ide.Scintilla);
    }
}

IdeWindows Windows() {
    return ide.Named;
}

void HoldMainWindow(bool hide) {
    if (hide) {
        ide.HiddenForTool = IsWindowVisible(ide.Main) != 0;
        ShowWindow(ide.Main, SW_HIDE);
    } else {
        EnableWindow(ide.Main, FALSE);
    }
}

void ReleaseMainWindow() {
    if (ide.Main == nullptr) {
        return;
    }
    EnableWindow(ide.Main, TRUE);
    if (ide.HiddenForTool) {
        ShowWindow(ide.Main, SW_SHOWNORMAL);
        ide.HiddenForTool = false;
    }
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RecomputeStaleFolds();
}

void StartCounting(DWORD hangMs) {
    ide.Counts = {};
    ide.HangMs = hangMs;
    ide.HangDone = false;
    ide.Counting = true;
}

void ArmVanishing(Vanish what, unsigned afterMessage) {
    ide.Vanishing = what;
    ide.VanishAfter = afterMessage;
}

Vanish Vanished() {
    return ide.Vanished;
}

void WatchTool(HANDLE tool) {
    ide.Tool = tool;
    ide.AwaitingNext = false;
}

std::vector<ToolWrite> ToolWrites() {
    return ide.Writes;
}

bool BlockFreed(void* block) {
    MEMORY_BASIC_INFORMATION region{};
    return block != nullptr && VirtualQuery(block, &region, sizeof region) != 0 && region.State == MEM_FREE;
}

MessageCounts CountsSoFar() {
    return ide.Counts;
}

MessageCounts StopCounting() {
    ide.Counting = false;
    return ide.Counts;
}

EditorState VisibleEditorState() {
    const Editor& editor = ide.Editors[ide.Visible];
    EditorState state;
    state.Bytes = BytesOf(editor);
    state.Anchor = Call(editor, SCI_GETANCHOR);
    state.Caret = Call(editor, SCI_GETCURRENTPOS);
    state.CaretLine = Call(editor, SCI_LINEFROMPOSITION, static_cast<uptr_t>(state.Caret));
    state.CanUndo = Call(editor, SCI_CANUNDO) != 0;
    for (sptr_t line = Call(editor, SCI_CONTRACTEDFOLDNEXT, 0); line >= 0;
         line = Call(editor, SCI_CONTRACTEDFOLDNEXT, static_cast<uptr_t>(line + 1))) {
        state.ContractedHeaders.push_back(line);
    }
    const sptr_t lineCount = Call(editor, SCI_GETLINECOUNT);
    for (sptr_t line = 0; line < lineCount; ++line) {
        if (Call(editor, SCI_GETLINEVISIBLE, static_cast<uptr_t>(line)) == 0) {
            state.HiddenLines.push_back(line);
        }
    }
    return state;
}

std::vector<std::pair<intptr_t, int>> VisibleEditorMarkers() {
    const Editor& editor = ide.Editors[ide.Visible];
    std::vector<std::pair<intptr_t, int>> markers;
    const sptr_t lineCount = Call(editor, SCI_GETLINECOUNT);
    for (sptr_t line = 0; line < lineCount; ++line) {
        const auto mask = static_cast<int>(Call(editor, SCI_MARKERGET, static_cast<uptr_t>(line)));
        if (mask != 0) {
            markers.emplace_back(line, mask);
        }
    }
    return markers;
}

bool OneUndoGives(const std::string& bytes) {
    const Editor& editor = ide.Editors[ide.Visible];
    Call(editor, SCI_UNDO);
    return BytesOf(editor) == bytes;
}

void ReloadVisibleEditor(const std::string& bytes) {
    const Editor& editor = ide.Editors[ide.Visible];
    Call(editor, SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(bytes.c_str()));
    Call(editor, SCI_EMPTYUNDOBUFFER);
}

bool HiddenEditorsDifferFrom(const std::string& bytes) {
    for (size_t i = 0; i < ide.Editors.size(); ++i) {
        const bool hidden = (GetWindowLongW(ide.Editors[i].Window, GWL_STYLE) & WS_VISIBLE) == 0;
        if (i != ide.Visible && hidden && BytesOf(ide.Editors[i]) != bytes) {
            return true;
        }
    }
    return false;
}

std::vector<intptr_t> EditorsDifferingFrom(const std::string& bytes) {
    std::vector<intptr_t> changed;
    for (size_t i = 0; i < ide.Editors.size(); ++i) {
        if (BytesOf(ide.Editors[i]) != bytes) {
            changed.push_back(static_cast<intptr_t>(i));
        }
    }
    return changed;
}

} // namespace brisklet::e2e
