// Holders for the handles of the platform: keys, menus, GDI objects, files, mutexes, COM.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/scoped_handle.h"

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

// Mutexes, events and other kernel objects that report failure as null.
struct KernelObjectTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE object) { CloseHandle(object); }
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
using ScopedIcon = ScopedHandle<HICON, IconTraits>;
using ScopedFile = ScopedHandle<HANDLE, FileTraits>;
using ScopedKernelObject = ScopedHandle<HANDLE, KernelObjectTraits>;
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

// COM for this thread as a single-threaded apartment, for as long as the holder lives; only
// an initialisation that succeeded is balanced by an uninitialisation.
class ScopedComApartment {
public:
    ScopedComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

    bool Initialized() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};
