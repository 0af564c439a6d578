#include "ui/controls/image_list_box.h"

#include <cstring>
#include <new>

#include "base/scoped_handles_win.h"
#include "winui/wide_text.h"

namespace {

// Styles the control cannot work with: entries hold records, not strings, and are not sorted.
constexpr LONG_PTR RemovedListStyles = LBS_SORT | LBS_MULTIPLESEL | LBS_HASSTRINGS;
constexpr int kCornerSize = ImageListBoxStyle::CornerSize;
// How far the focus rectangle keeps inside the entry, clear of its edge.
constexpr int kFocusInset = 2;

int liveItemCopies = 0;

char* CopyText(const char* text) {
    if (!text)
        return nullptr;
    std::size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy)
        std::memcpy(copy, text, length + 1);
    return copy;
}

void FreeItemCopy(ImageListBoxItem* copy) {
    if (copy->mask & ImageListBoxField::Text)
        delete[] copy->text;
    if (copy->mask & ImageListBoxField::Subtext)
        delete[] copy->subtext;
    delete copy;
    --liveItemCopies;
}

// The heap copy an entry owns: only the fields its mask gives, the rest zero.
ImageListBoxItem* MakeItemCopy(const ImageListBoxItem& item) {
    auto* copy = new (std::nothrow) ImageListBoxItem{};
    if (!copy)
        return nullptr;
    ++liveItemCopies;
    copy->position = item.position;
    copy->mask = item.mask;
    if (item.mask & ImageListBoxField::Style)
        copy->style = item.style;
    if (item.mask & ImageListBoxField::Format)
        copy->format = item.format;
    if (item.mask & ImageListBoxField::Image)
        copy->image = item.image;
    if (item.mask & ImageListBoxField::SelectedImage)
        copy->selectedImage = item.selectedImage;
    if (item.mask & ImageListBoxField::Data)
        copy->data = item.data;
    bool copied = true;
    if (item.mask & ImageListBoxField::Text) {
        copy->text = CopyText(item.text);
        copied = copied && (copy->text || !item.text);
    }
    if (item.mask & ImageListBoxField::Subtext) {
        copy->subtext = CopyText(item.subtext);
        copied = copied && (copy->subtext || !item.subtext);
    }
    if (!copied) {
        FreeItemCopy(copy);
        return nullptr;
    }
    return copy;
}

// Fills without creating a brush: an opaque text output of nothing paints the rectangle.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

// Draws `text` at the top of `area` and moves the area's top below it. The text is not cut at
// the area's edges: in an entry a third of the selector high, the inset area can end a few
// pixels above the name's last line (more so with smaller dialog units), and a name must show
// whole.
void DrawTextBlock(HDC dc, const char* text, UINT format, RECT& area) {
    const std::wstring wide = WideText(text);
    RECT measured = {};
    int height = DrawTextW(dc, wide.c_str(), -1, &measured, format | DT_CALCRECT);
    DrawTextW(dc, wide.c_str(), -1, &area, format | DT_NOCLIP);
    area.top += height;
}

}  // namespace

CImageListBoxCtrl::~CImageListBoxCtrl() {
    if (!hwnd())
        return;
    int count = static_cast<int>(SendMessageA(hwnd(), LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        LRESULT data = SendMessageA(hwnd(), LB_GETITEMDATA, index, 0);
        if (data == LB_ERR || !data)
            continue;
        FreeItemCopy(reinterpret_cast<ImageListBoxItem*>(data));
        SendMessageA(hwnd(), LB_SETITEMDATA, index, 0);
    }
}

bool CImageListBoxCtrl::Attach(HWND listBox) {
    if (!CWindowImpl::Attach(listBox))
        return false;
    SetUp();
    return true;
}

bool CImageListBoxCtrl::AttachDlgItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }

void CImageListBoxCtrl::SetUp() {
    if (!hwnd())
        return;
    // The frame is not redrawn: none of these styles shows in it.
    LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
    SetWindowLongPtrA(hwnd(), GWL_STYLE, (style & ~RemovedListStyles) | LBS_NOTIFY);
    textColour_ = GetSysColor(COLOR_WINDOWTEXT);
    backgroundColour_ = GetSysColor(COLOR_WINDOW);
    selectedTextColour_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
    selectionFillColour_ = GetSysColor(COLOR_HIGHLIGHT);
    selectionBorderColour_ = selectionFillColour_;
}

HIMAGELIST CImageListBoxCtrl::SetImageList(int kind, HIMAGELIST images) {
    HIMAGELIST* slot = nullptr;
    if (kind == ImageListBoxImages::Normal)
        slot = &normalImages_;
    else if (kind == ImageListBoxImages::Selected)
        slot = &selectedImages_;
    if (!slot)
        return nullptr;
    HIMAGELIST previous = *slot;
    *slot = images;
    return previous;
}

int CImageListBoxCtrl::AddItem(const ImageListBoxItem& item) {
    ImageListBoxItem* copy = MakeItemCopy(item);
    if (!copy)
        return LB_ERRSPACE;
    // Without the has-strings style the list keeps the text pointer as the entry's data until
    // the record replaces it.
    int index = static_cast<int>(
        SendMessageA(hwnd(), LB_INSERTSTRING, item.position, reinterpret_cast<LPARAM>(copy->text)));
    if (index < 0) {
        FreeItemCopy(copy);
        return index;
    }
    SendMessageA(hwnd(), LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(copy));
    return index;
}

int CImageListBoxCtrl::LiveItemCopies() { return liveItemCopies; }

bool CImageListBoxCtrl::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CImageListBoxCtrl> rows[] = {
        HandleMessage(WM_DESTROY, &CImageListBoxCtrl::OnDestroy),
        HandleMessage(WM_ERASEBKGND, &CImageListBoxCtrl::OnEraseBackground),
        HandleMessage(WM_SIZE, &CImageListBoxCtrl::OnSize),
        HandleMessage(WM_UPDATEUISTATE, &CImageListBoxCtrl::OnUpdateUiState),
        HandleMessage(WM_KEYDOWN, &CImageListBoxCtrl::OnKeyDown),
        HandleMessage(Reflected(WM_DRAWITEM), &CImageListBoxCtrl::OnDrawItem),
        HandleMessage(Reflected(WM_MEASUREITEM), &CImageListBoxCtrl::OnMeasureItem),
        HandleMessage(Reflected(WM_COMPAREITEM), &CImageListBoxCtrl::OnCompareItem),
        HandleMessage(Reflected(WM_DELETEITEM), &CImageListBoxCtrl::OnDeleteItem),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CImageListBoxCtrl::OnDestroy(WindowMessage& message) {
    // Each entry's copy is freed as the parent reflects the deletions back to us.
    SendMessageA(hwnd(), LB_RESETCONTENT, 0, 0);
    message.handled = false;
    return 0;
}

LRESULT CImageListBoxCtrl::OnEraseBackground(WindowMessage& message) {
    RECT client;
    GetClientRect(hwnd(), &client);
    FillSolid(reinterpret_cast<HDC>(message.wParam), client, backgroundColour_);
    return 1;
}

LRESULT CImageListBoxCtrl::OnSize(WindowMessage& message) {
    // Centred and right-aligned content moves with the width, so every entry is redrawn.
    InvalidateRect(hwnd(), nullptr, TRUE);
    message.handled = false;
    return 0;
}

LRESULT CImageListBoxCtrl::OnUpdateUiState(WindowMessage& message) {
    // The keyboard was used (or the focus is to hide again): the focused entry shows it anew,
    // painted after the default processing below has taken the new state.
    InvalidateRect(hwnd(), nullptr, TRUE);
    message.handled = false;
    return 0;
}

LRESULT CImageListBoxCtrl::OnKeyDown(WindowMessage& message) {
    // The list takes its arrow keys itself, so the dialog does not see the keyboard used; asked
    // here, the window tree shows the focus from now on, as after Tab.
    if (SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)
        SendMessageA(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    message.handled = false;
    return 0;
}

LRESULT CImageListBoxCtrl::OnDrawItem(WindowMessage& message) {
    if (auto* entry = reinterpret_cast<const DRAWITEMSTRUCT*>(message.lParam))
        DrawEntry(*entry);
    return TRUE;
}

LRESULT CImageListBoxCtrl::OnMeasureItem(WindowMessage& message) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.lParam);
    if (!measure)
        return FALSE;
    ScopedGetDC dc(hwnd());
    ScopedSelectObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    if (GetTextMetricsA(dc.get(), &metrics))
        measure->itemHeight = metrics.tmHeight;
    return TRUE;
}

LRESULT CImageListBoxCtrl::OnCompareItem(WindowMessage&) { return 0; }

LRESULT CImageListBoxCtrl::OnDeleteItem(WindowMessage& message) {
    auto* deleted = reinterpret_cast<const DELETEITEMSTRUCT*>(message.lParam);
    if (deleted && deleted->itemData)
        FreeItemCopy(reinterpret_cast<ImageListBoxItem*>(deleted->itemData));
    return TRUE;
}

void CImageListBoxCtrl::DrawEntry(const DRAWITEMSTRUCT& entry) const {
    if (entry.itemID == static_cast<UINT>(-1))
        return;
    static const ImageListBoxItem noRecord = {};
    const ImageListBoxItem& item =
        entry.itemData ? *reinterpret_cast<const ImageListBoxItem*>(entry.itemData) : noRecord;
    HDC dc = entry.hDC;
    const bool selected = entry.itemState & ODS_SELECTED;
    const UINT style = (item.mask & ImageListBoxField::Style) ? item.style : 0;
    const bool rounded = style & ImageListBoxStyle::RoundedSelection;
    const COLORREF textColour = selected ? selectedTextColour_ : textColour_;
    const COLORREF backColour = selected ? selectionFillColour_ : backgroundColour_;

    RECT area = entry.rcItem;
    if (selected && rounded) {
        FillSolid(dc, area, backgroundColour_);
        ScopedPen pen(CreatePen(PS_SOLID, 1, selectionBorderColour_));
        ScopedBrush brush(CreateSolidBrush(selectionFillColour_));
        ScopedSelectObject penSelection(dc, pen.get());
        ScopedSelectObject brushSelection(dc, brush.get());
        RoundRect(dc, area.left, area.top, area.right, area.bottom, kCornerSize, kCornerSize);
    } else {
        FillSolid(dc, area, backColour);
    }
    // The text keeps clear of the rounded corners.
    if (rounded)
        InflateRect(&area, -kCornerSize, -kCornerSize);

    const bool hasImage = item.mask & ImageListBoxField::Image;
    int imageWidth = 0;
    int imageHeight = 0;
    if (hasImage && normalImages_)
        ImageList_GetIconSize(normalImages_, &imageWidth, &imageHeight);

    ScopedSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousTextColour = SetTextColor(dc, textColour);
    const COLORREF previousBackColour = SetBkColor(dc, backColour);

    if (hasImage) {
        const bool useSelected = selected && (item.mask & ImageListBoxField::SelectedImage);
        HIMAGELIST images = useSelected ? selectedImages_ : normalImages_;
        const int index = useSelected ? item.selectedImage : item.image;
        const int centredY = area.top + (area.bottom - area.top) / 2 - imageHeight / 2;
        if (style & ImageListBoxStyle::ImageRight) {
            ImageList_Draw(images, index, dc, area.right - imageWidth, centredY, ILD_NORMAL);
            area.right -= imageWidth;
        } else if (style & ImageListBoxStyle::ImageTop) {
            ImageList_Draw(images, index, dc, area.left + (area.right - area.left) / 2 - imageWidth / 2, area.top,
                           ILD_NORMAL);
            area.top += imageHeight;
        } else {
            ImageList_Draw(images, index, dc, area.left, centredY, ILD_NORMAL);
            area.left += imageWidth;
        }
    }

    const UINT format = (item.mask & ImageListBoxField::Format) ? item.format : DT_NOPREFIX;
    if ((item.mask & ImageListBoxField::Text) && item.text) {
        DrawTextBlock(dc, item.text, format, area);
    }
    if ((item.mask & ImageListBoxField::Subtext) && item.subtext) {
        DrawTextBlock(dc, item.subtext, format, area);
    }

    SetBkColor(dc, previousBackColour);
    SetTextColor(dc, previousTextColour);
    SetBkMode(dc, previousMode);

    // As the system's own controls do: the focus shows once the keyboard has been used. The
    // entry was drawn whole above, so the inverting rectangle never cancels an earlier one.
    if ((entry.itemState & ODS_FOCUS) && !(SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
        RECT focus = entry.rcItem;
        InflateRect(&focus, -kFocusInset, -kFocusInset);
        DrawFocusRect(dc, &focus);
    }
}
