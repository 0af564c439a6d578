#include "localization/translate_win.h"

#include <string>

#include "base/narrow_text.h"
#include "localization/language.h"

namespace {

// Window and menu texts are read with room for a name and its terminator: a longer text is
// looked up cut (to whole characters: the platform may cut inside one), and a longer
// translation is cut in menus.
constexpr int kTextCapacity = static_cast<int>(kNameBufferSize);

BOOL CALLBACK TranslateWindowText(HWND window, LPARAM) {
    char text[kTextCapacity] = "";
    int length = GetWindowTextA(window, text, kTextCapacity);
    if (length <= 0) return TRUE;
    // Every text is looked up, keys or not (an edit box's contents, a list's selection);
    // anything that is not a key finds nothing and keeps its text.
    std::string translated = Translate(CutText(std::string_view(text, static_cast<std::size_t>(length)), kNameLimit));
    if (!translated.empty()) SetWindowTextA(window, translated.c_str());
    return TRUE;
}

}  // namespace

void TranslateDialog(HWND window) {
    EnumChildWindows(window, TranslateWindowText, 0);
}

void TranslateMenu(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char text[kTextCapacity + 1] = "";
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = kTextCapacity;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item)) continue;
        // Separators, pictures and owner-drawn items carry no key.
        if (item.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)) continue;

        std::string translated = Translate(CutText(text, kNameLimit));
        // Replaced even when empty: a blank item shows that its key is missing.
        CutText(translated, kNameLimit);
        MENUITEMINFOA update{};
        update.cbSize = sizeof update;
        update.fMask = MIIM_STRING;
        update.dwTypeData = translated.data();
        update.cch = static_cast<UINT>(translated.size());
        SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &update);
        if (HMENU submenu = GetSubMenu(menu, position)) TranslateMenu(submenu);
    }
}
