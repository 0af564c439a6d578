// Drives a modal editor from a thread timer whose ticks its own modal loop dispatches: the
// editor is found as the visible dialog its owner owns, and each tick takes one step on it
// (type, read, press a button), as a user would, while the code under test waits in
// DialogBox.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using EditorStep = std::function<void(HWND editor)>;

// What one run saw: how many editors opened, and how many steps were taken on them.
struct EditorRun {
    int editorsSeen = 0;
    std::size_t stepsTaken = 0;
};

namespace modal_editor_driver {

struct State {
    HWND owner = nullptr;
    std::vector<EditorStep> steps;
    EditorRun run;
    HWND lastEditor = nullptr;
    int idleTicks = 0;
    bool inTick = false;
};

inline State* Active = nullptr;

// The system makes the top-level window of the page the owner of the page's editors.
inline HWND FindOwnedDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            char className[16] = "";
            GetClassNameA(window, className, sizeof className);
            if (std::string(className) == "#32770" && GetWindow(window, GW_OWNER) == search->owner &&
                IsWindowVisible(window)) {
                search->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    // A step may run a loop of its own whose ticks come back here.
    if (!Active || Active->inTick) return;
    Active->inTick = true;
    if (HWND editor = FindOwnedDialog(Active->owner)) {
        if (editor != Active->lastEditor) {
            Active->lastEditor = editor;
            ++Active->run.editorsSeen;
        }
        if (Active->run.stepsTaken < Active->steps.size()) {
            Active->steps[Active->run.stepsTaken++](editor);
        } else if (++Active->idleTicks > 25) {
            // A script that forgot to close the editor must not hang the test.
            ADD_FAILURE() << "the editor stayed open after its script";
            SendMessageA(editor, WM_COMMAND, IDCANCEL, 0);
        }
    }
    Active->inTick = false;
}

}  // namespace modal_editor_driver

// Runs `open`, which may open a modal editor owned by `owner`, and takes the steps on the
// editor one per tick. Without an editor, `open` returns at once and no step is taken.
inline EditorRun RunWithEditor(HWND owner, std::vector<EditorStep> steps, const std::function<void()>& open) {
    modal_editor_driver::State state;
    state.owner = owner;
    state.steps = std::move(steps);
    modal_editor_driver::Active = &state;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, modal_editor_driver::Tick);
    open();
    KillTimer(nullptr, timer);
    modal_editor_driver::Active = nullptr;
    return state.run;
}

inline std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline void TypeInto(HWND editor, int control, const std::string& text) {
    SetDlgItemTextA(editor, control, text.c_str());
}

// A click on a button as the button itself reports it.
inline void PressButton(HWND dialog, int button) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}
