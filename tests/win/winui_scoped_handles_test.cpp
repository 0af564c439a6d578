// The handle holders release what they hold, once, and selections are undone.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

#include "base/scoped_handles_win.h"

namespace {

TEST(ScopedHandles, GdiObjectsAreDeletedAtTheEndOfTheScope) {
    HBRUSH brushHandle;
    HPEN penHandle;
    {
        ScopedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
        ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(4, 5, 6)));
        brushHandle = brush.get();
        penHandle = pen.get();
        EXPECT_EQ(GetObjectType(brushHandle), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_EQ(GetObjectType(penHandle), static_cast<DWORD>(OBJ_PEN));
    }
    EXPECT_EQ(GetObjectType(brushHandle), 0u);
    EXPECT_EQ(GetObjectType(penHandle), 0u);
}

TEST(ScopedHandles, OwnershipMovesAndCanBeGivenUp) {
    ScopedBrush first(CreateSolidBrush(RGB(1, 2, 3)));
    HBRUSH handle = first.get();
    ScopedBrush second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), handle);
    HBRUSH released = second.release();
    EXPECT_FALSE(second);
    EXPECT_EQ(GetObjectType(released), static_cast<DWORD>(OBJ_BRUSH));
    DeleteObject(released);

    ScopedBrush replaced(CreateSolidBrush(RGB(7, 8, 9)));
    HBRUSH old = replaced.get();
    replaced = ScopedBrush(CreateSolidBrush(RGB(9, 8, 7)));
    EXPECT_EQ(GetObjectType(old), 0u);
    EXPECT_EQ(GetObjectType(replaced.get()), static_cast<DWORD>(OBJ_BRUSH));
}

TEST(ScopedHandles, ASelectionIsUndoneBeforeTheObjectIsDeleted) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ original = GetCurrentObject(dc, OBJ_PEN);
    HPEN penHandle;
    {
        ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(200, 0, 0)));
        ScopedSelectObject selection(dc, pen.get());
        penHandle = pen.get();
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), penHandle);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), original);
    EXPECT_EQ(GetObjectType(penHandle), 0u);  // deselected first, so the delete succeeded
    DeleteDC(dc);
}

TEST(ScopedHandles, FilesAndSearchesAreClosed) {
    char folder[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    std::string path = std::string(folder) + "ostrak-scoped-handle-test.tmp";
    {
        ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        // Not shared while held.
        ScopedFile second(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(second);
    }
    {
        ScopedFile again(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(again);
    }
    HANDLE searchHandle;
    {
        WIN32_FIND_DATAA found;
        ScopedFindHandle search(FindFirstFileA(path.c_str(), &found));
        ASSERT_TRUE(search);
        searchHandle = search.get();
    }
    WIN32_FIND_DATAA next;
    EXPECT_FALSE(FindNextFileA(searchHandle, &next));
    EXPECT_TRUE(DeleteFileA(path.c_str()));

    ScopedFindHandle missing(FindFirstFileA((path + ".missing").c_str(), &next));
    EXPECT_FALSE(missing);  // INVALID_HANDLE_VALUE is the empty state, never closed
}

TEST(ScopedHandles, MenusAndKeysAreReleased) {
    HMENU menuHandle;
    {
        ScopedMenu menu(CreatePopupMenu());
        menuHandle = menu.get();
        EXPECT_TRUE(IsMenu(menuHandle));
    }
    EXPECT_FALSE(IsMenu(menuHandle));

    ScopedKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    HKEY keyHandle = key.get();
    key.reset();
    EXPECT_FALSE(key);
    DWORD subkeys = 0;
    EXPECT_NE(RegQueryInfoKeyA(keyHandle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

}  // namespace
