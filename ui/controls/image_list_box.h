// An owner-drawn list box whose entries show an icon (left, right or on top), a text and a
// subtext below it, the selected entry optionally on a filled rounded rectangle. The options
// dialog uses it as its page selector.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "winui/window.h"

// Which fields of an ImageListBoxItem are given.
namespace ImageListBoxField {
constexpr UINT Text = 0x01;
constexpr UINT Subtext = 0x02;
constexpr UINT Image = 0x04;
constexpr UINT SelectedImage = 0x08;
constexpr UINT Style = 0x10;
constexpr UINT Format = 0x20;
constexpr UINT Data = 0x40;
}  // namespace ImageListBoxField

// Entry styles; the image is at the left when neither ImageRight nor ImageTop is set.
namespace ImageListBoxStyle {
constexpr UINT ImageRight = 0x01;
constexpr UINT ImageTop = 0x02;
constexpr UINT RoundedSelection = 0x10;
// The rounded selection's corners in pixels, also the inset of such an entry's content.
constexpr int CornerSize = 8;
}  // namespace ImageListBoxStyle

// The kinds of image list the control uses.
namespace ImageListBoxImages {
constexpr int Normal = 0;
constexpr int Selected = 1;
}  // namespace ImageListBoxImages

// Describes one entry. In a stored entry the texts are the entry's own copies.
struct ImageListBoxItem {
    int position;         // where AddItem inserts the entry
    UINT mask;            // ImageListBoxField bits: the fields below that are given
    UINT style;           // ImageListBoxStyle bits
    UINT format;          // DrawText flags; DT_NOPREFIX alone when not given
    char* text;
    char* subtext;
    int image;            // index into the normal image list
    int selectedImage;    // index into the selected image list
    LPARAM data;          // the caller's value
};

// Its parent must reflect the owner-draw messages (draw, measure, compare, delete): the
// entries' copies are freed on the reflected deletions.
class CImageListBoxCtrl : public CWindowImpl {
public:
    // Frees the copies of the entries a still attached list box holds: nobody else can.
    ~CImageListBoxCtrl() override;

    // Attaches to an existing list box and sets it up: an owner-drawn list without strings,
    // sorting or multiple selection, in the system's colours.
    bool Attach(HWND listBox);
    bool AttachDlgItem(HWND dialog, int id);

    // `kind` is ImageListBoxImages::Normal or Selected. The lists stay the caller's: it keeps
    // them alive while the control uses them and frees them. Returns the previous list.
    HIMAGELIST SetImageList(int kind, HIMAGELIST images);

    // Inserts an entry holding its own copy of `item` at item.position; the entry's index, or
    // LB_ERR / LB_ERRSPACE.
    int AddItem(const ImageListBoxItem& item);


    // Entry copies alive in the process: every AddItem makes one, every deletion frees one.
    static int LiveItemCopies();

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    void SetUp();

    LRESULT OnDestroy(WindowMessage& message);
    LRESULT OnEraseBackground(WindowMessage& message);
    LRESULT OnSize(WindowMessage& message);
    LRESULT OnUpdateUiState(WindowMessage& message);
    LRESULT OnKeyDown(WindowMessage& message);
    LRESULT OnDrawItem(WindowMessage& message);
    LRESULT OnMeasureItem(WindowMessage& message);
    LRESULT OnCompareItem(WindowMessage& message);
    LRESULT OnDeleteItem(WindowMessage& message);

    void DrawEntry(const DRAWITEMSTRUCT& entry) const;

    COLORREF textColour_ = GetSysColor(COLOR_WINDOWTEXT);
    COLORREF backgroundColour_ = GetSysColor(COLOR_WINDOW);
    COLORREF selectionFillColour_ = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF selectedTextColour_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
    COLORREF selectionBorderColour_ = GetSysColor(COLOR_HIGHLIGHT);
    HIMAGELIST normalImages_ = nullptr;
    HIMAGELIST selectedImages_ = nullptr;
};
