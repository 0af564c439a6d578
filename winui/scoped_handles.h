// Holders that release a handle the code created when they go out of scope.
#pragma once

#include <windows.h>
#include <commctrl.h>

template <class Handle, class Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // Gives up ownership without releasing.
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }

    void reset(Handle handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid() && handle_ != handle)
            Traits::Close(handle_);
        handle_ = handle;
    }

    // For functions that hand back a handle through a pointer (RegOpenKeyEx): releases the
    // one held, then lends the slot.
    Handle* Receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct RegistryKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

struct MenuTraits {
    static HMENU Invalid() { return nullptr; }
    static void Close(HMENU menu) { DestroyMenu(menu); }
};

template <class GdiObject>
struct GdiObjectTraits {
    static GdiObject Invalid() { return nullptr; }
    static void Close(GdiObject object) { DeleteObject(object); }
};

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Close(HICON icon) { DestroyIcon(icon); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE file) { CloseHandle(file); }
};

struct FindTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE find) { FindClose(find); }
};

struct ImageListTraits {
    static HIMAGELIST Invalid() { return nullptr; }
    static void Close(HIMAGELIST list) { ImageList_Destroy(list); }
};

using ScopedKey = ScopedHandle<HKEY, RegistryKeyTraits>;
using ScopedMenu = ScopedHandle<HMENU, MenuTraits>;
using ScopedPen = ScopedHandle<HPEN, GdiObjectTraits<HPEN>>;
using ScopedBrush = ScopedHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using ScopedFont = ScopedHandle<HFONT, GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ScopedIcon = ScopedHandle<HICON, IconTraits>;
using ScopedFile = ScopedHandle<HANDLE, FileTraits>;
using ScopedFindHandle = ScopedHandle<HANDLE, FindTraits>;
using ScopedImageList = ScopedHandle<HIMAGELIST, ImageListTraits>;

// Selects a GDI object into a device context and selects the previous one back at the end of
// the scope. Declare it after the holder of the object, so the object is deselected before it
// is deleted.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelectObject() {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context from GetDC, released back to the window.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedGetDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
