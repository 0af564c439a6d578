// The resources as built into the program: no colliding ids, the icon, the tray menu, the
// version and the manifest. The dialog templates and the page icons: resources_pages_test.cpp.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

struct DefinedId {
    std::string name;
    long value;
};

std::vector<DefinedId> ReadResourceHeader() {
    std::ifstream header(OSTRAK_SOURCE_DIR "/resources/resource.h");
    std::vector<DefinedId> ids;
    const std::regex definition(R"(^\s*#define\s+(ID\w+)\s+(\d+)\s*(/[*/].*)?$)");
    std::string line;
    while (std::getline(header, line)) {
        std::smatch match;
        if (std::regex_match(line, match, definition))
            ids.push_back({match[1], std::stol(match[2])});
    }
    return ids;
}

// The kind an id belongs to, by its prefix; empty for a name outside the scheme. A control's
// name begins with the name of its dialog (IDC_PAGE_GENERAL_... for IDD_PAGE_GENERAL), which
// must be one of `dialogs`; the longest such name decides.
std::string KindOf(const std::string& name, const std::vector<std::string>& dialogs) {
    for (const char* resource : {"IDD_", "IDR_", "IDI_", "IDB_"}) {
        if (name.rfind(resource, 0) == 0)
            return resource;
    }
    // The tray menu's commands arrive at the main dialog beside its own controls' commands.
    if (name.rfind("ID_MENU_", 0) == 0)
        return "commands of MAIN";
    std::string owner;
    if (name.rfind("IDC_", 0) == 0) {
        for (const std::string& dialog : dialogs) {
            if (name.rfind("IDC_" + dialog + "_", 0) == 0 && dialog.size() > owner.size())
                owner = dialog;
        }
    }
    return owner.empty() ? "" : "commands of " + owner;
}

std::vector<std::string> DialogNames(const std::vector<DefinedId>& ids) {
    std::vector<std::string> names;
    for (const DefinedId& id : ids) {
        if (id.name.rfind("IDD_", 0) == 0)
            names.push_back(id.name.substr(4));
    }
    return names;
}

TEST(ResourceIds, NoTwoIdsOfOneKindCollide) {
    std::vector<DefinedId> ids = ReadResourceHeader();
    auto main = std::find_if(ids.begin(), ids.end(), [](const DefinedId& id) { return id.name == "IDD_MAIN"; });
    ASSERT_NE(main, ids.end()) << "resource.h not found or not parsed";
    EXPECT_EQ(main->value, IDD_MAIN);
    std::vector<std::string> dialogs = DialogNames(ids);
    std::map<std::string, std::map<long, std::string>> kinds;
    for (const DefinedId& id : ids) {
        std::string kind = KindOf(id.name, dialogs);
        ASSERT_FALSE(kind.empty()) << id.name << " follows no naming of the header";
        auto& numbers = kinds[kind];
        if (kind.rfind("commands of ", 0) == 0 && numbers.empty()) {
            numbers[IDOK] = "IDOK";  // every dialog has them
            numbers[IDCANCEL] = "IDCANCEL";
        }
        auto [existing, added] = numbers.emplace(id.value, id.name);
        EXPECT_TRUE(added) << id.name << " and " << existing->second << " are both " << id.value;
    }
    // Every dialog has its own group of control ids.
    for (const char* dialog : {"MAIN", "PAGE_GENERAL", "PAGE_APPLICATIONS", "PAGE_PROJECTS", "PAGE_PRIVACY",
                               "POPUP_PROGRAM", "POPUP_PROJECT", "POPUP_FILTER"})
        EXPECT_EQ(kinds.count(std::string("commands of ") + dialog), 1u) << dialog;
    EXPECT_EQ(kinds["IDD_"].size(), 8u);
}

TEST(ResourceIds, AControlNamedForNoDialogIsRefused) {
    const std::vector<std::string> dialogs = {"MAIN", "PAGE_PROJECTS", "POPUP_PROJECT"};
    EXPECT_EQ(KindOf("IDC_PAGE_PROJECTS_FILTERS", dialogs), "commands of PAGE_PROJECTS");
    EXPECT_EQ(KindOf("IDC_POPUP_PROJECT_NAME", dialogs), "commands of POPUP_PROJECT");
    EXPECT_EQ(KindOf("IDC_PAGE_GENERAL_LANGUAGE", dialogs), "");
    EXPECT_EQ(KindOf("IDC_POPUP_NAME", dialogs), "");
    EXPECT_EQ(KindOf("IDX_MAIN", dialogs), "");
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

// The program's icon and each of the tray's; the paused one at every size the tray asks for
// up to 144 DPI.
TEST(ProgramResources, EachIconHoldsItsSizesInTwentyFourBits) {
    const std::map<int, int> twoSizes{{16, 24}, {32, 24}};
    const struct {
        int id;
        std::map<int, int> bitsBySize;
    } icons[] = {{IDI_MAIN, twoSizes},          {IDI_TRAY_NOT_RECORDING, twoSizes}, {IDI_TRAY_OTHER_WRITER, twoSizes},
                 {IDI_TRAY_LOG_HELD, twoSizes}, {IDI_TRAY_LOG_NOT_SAVED, twoSizes}, {IDI_TRAY_SIDE_FILE, twoSizes},
                 {IDI_TRAY_TIMELINE, twoSizes}, {IDI_TRAY_PAUSED, {{16, 24}, {20, 24}, {24, 24}, {32, 24}}}};
    for (const auto& expected : icons) {
        const int iconId = expected.id;
        HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
        ASSERT_NE(found, nullptr) << iconId;
        auto* group = static_cast<const IconGroupHeader*>(LockResource(LoadResource(nullptr, found)));
        ASSERT_NE(group, nullptr);
        ASSERT_EQ(group->count, expected.bitsBySize.size());
        auto* entries = reinterpret_cast<const IconGroupEntry*>(group + 1);
        std::map<int, int> bitsBySize;
        for (int i = 0; i < group->count; ++i) {
            EXPECT_EQ(entries[i].width, entries[i].height);
            bitsBySize[entries[i].width] = entries[i].bitCount;
        }
        EXPECT_EQ(bitsBySize, expected.bitsBySize) << iconId;
        for (const auto& [size, bits] : expected.bitsBySize) {
            HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0);
            ASSERT_NE(icon, nullptr) << iconId << " " << size;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
            BITMAP colour = {};
            GetObjectA(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

// Every item of the tray menu, in its submenus too, is a key to translate, and no two commands
// share an id: a command reaching the main dialog names one item.
void CollectMenuItems(HMENU menu, std::vector<std::string>& texts, std::vector<UINT>& ids) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        char text[64] = "";
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        if (HMENU submenu = GetSubMenu(menu, position)) {
            texts.push_back(text);
            CollectMenuItems(submenu, texts, ids);
        } else if (GetMenuItemID(menu, position) != 0) {  // separators have no command
            texts.push_back(text);
            ids.push_back(GetMenuItemID(menu, position));
        }
    }
}

TEST(ProgramResources, TheTrayMenuHoldsKeysAndDistinctCommandsWithOptionsFirst) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(ID_MENU_OPTIONS));
    std::vector<std::string> texts;
    std::vector<UINT> ids;
    CollectMenuItems(popup, texts, ids);
    for (const std::string& text : texts) EXPECT_NE(text.find('/'), std::string::npos) << text;
    std::set<UINT> distinct(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), ids.size());
    EXPECT_TRUE(distinct.count(ID_MENU_EXIT) && distinct.count(ID_MENU_REPORT));
    DestroyMenu(menu);
}

std::string VersionText(const std::vector<char>& info, const char* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return "(no translation)";
    char path[128];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translations->language, translations->codePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&value), &size))
        return "(missing)";
    return value;
}

TEST(ProgramResources, TheVersionIsOnePointZeroOne) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    EXPECT_EQ(VersionText(info, "ProductName"), "Ostrak");
    EXPECT_EQ(VersionText(info, "FileVersion"), "1.01");
    EXPECT_EQ(VersionText(info, "ProductVersion"), "1.01");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 1));
}

TEST(ProgramResources, TheManifestAsksForCommonControlsSixAndRunsAsInvoker) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                         SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

    // The system read it: the common controls in use come from the side-by-side store, where
    // version 6 lives (the one in the system folder is version 5).
    InitCommonControls();
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(controls, nullptr);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(controls, path, MAX_PATH);
    CharLowerA(path);
    EXPECT_NE(std::string(path).find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(std::string(path).find("common-controls"), std::string::npos) << path;
}

}  // namespace
