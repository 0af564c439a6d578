#include "ui/options/options_panel.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "base/narrow_text.h"
#include "localization/language.h"
#include "projects/projects.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "tracking/private_list.h"
#include "tracking/programs_list.h"
#include "winui/app_module.h"

namespace {

const COLORREF kPageIconTransparent = RGB(49, 106, 197);

struct PageIconBitmap {
    int size;
    int id;
};

// Each drawn at its own size, the smallest first; a scaled picture would blur.
constexpr PageIconBitmap kPageIconBitmaps[] = {
    {24, IDB_PAGES_24}, {32, IDB_PAGES_32}, {40, IDB_PAGES_40}, {48, IDB_PAGES}, {64, IDB_PAGES_64},
};

struct PageEntry {
    const char* key;
    int icon;
};

// In selector order; inserted last first, each at the top, so they end up in this order.
constexpr PageEntry kPageEntries[] = {
    {"Dialog/General", 0},
    {"Dialog/Applications", 1},
    {"Dialog/Projects", 2},
    {"Dialog/Privacy", 3},
};

constexpr int kPageCount = static_cast<int>(std::size(kPageEntries));

// The largest icon that leaves room for the page name below it in an entry of that height.
const PageIconBitmap& PageIconsFor(int itemHeight, int textHeight) {
    const PageIconBitmap* chosen = &kPageIconBitmaps[0];
    for (const PageIconBitmap& bitmap : kPageIconBitmaps)
        if (bitmap.size + textHeight + 2 * ImageListBoxStyle::CornerSize <= itemHeight) chosen = &bitmap;
    return *chosen;
}

int FontHeight(HWND window) {
    ScopedGetDC dc(window);
    HGDIOBJ previous = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.get(), &metrics);
    SelectObject(dc.get(), previous);
    return metrics.tmHeight;
}

}  // namespace

void COptionsPanel::SetUp(HWND dialog) {
    dialog_ = dialog;
    BuildPageSelector();
    BuildPages();
    TranslateDialog(dialog_);
    ComposeCaption();
    AttachLinks();
}

void COptionsPanel::BuildPageSelector() {
    if (!selector_.AttachDlgItem(dialog_, IDC_MAIN_SELECTOR)) return;
    // The entries fill the list exactly. The list grows with the dialog's font (and so with the
    // screen's scale), and the icons with it.
    RECT outer{};
    GetWindowRect(selector_.hwnd(), &outer);
    const int itemHeight = (outer.bottom - outer.top) / kPageCount - 1;
    SendMessageA(selector_.hwnd(), LB_SETITEMHEIGHT, 0, MAKELPARAM(itemHeight, 0));

    const PageIconBitmap& icons = PageIconsFor(itemHeight, FontHeight(selector_.hwnd()));
    PageImages.reset(ImageList_LoadImageA(AppModule.Instance(), MAKEINTRESOURCEA(icons.id), icons.size, 1,
                                          kPageIconTransparent, IMAGE_BITMAP, LR_CREATEDIBSECTION));
    selector_.SetImageList(ImageListBoxImages::Normal, PageImages.get());
    selector_.SetImageList(ImageListBoxImages::Selected, PageImages.get());

    for (int index = static_cast<int>(std::size(kPageEntries)) - 1; index >= 0; --index) {
        std::string text = Translate(kPageEntries[index].key);
        CutText(text, kNameLimit);
        ImageListBoxItem item{};
        item.position = 0;
        item.mask = ImageListBoxField::Text | ImageListBoxField::Image | ImageListBoxField::SelectedImage |
                    ImageListBoxField::Style | ImageListBoxField::Format;
        item.style = ImageListBoxStyle::ImageTop | ImageListBoxStyle::RoundedSelection;
        item.format = DT_CENTER;
        item.text = &text[0];
        item.image = item.selectedImage = kPageEntries[index].icon;
        selector_.AddItem(item);
    }
    SendMessageA(selector_.hwnd(), LB_SETCURSEL, 0, 0);
}

void COptionsPanel::BuildPages() {
    if (!container_.AttachDlgItem(dialog_, IDC_MAIN_PAGES)) return;
    // Each page runs its own set-up while it is created; one that fails keeps an empty slot.
    COptionsPage* pages[] = {&generalPage_, &programsPage_, &filtersPage_, &privacyPage_};
    for (COptionsPage* page : pages) page->Create(container_.hwnd());
    for (COptionsPage* page : pages) container_.AddPage(page->hwnd());
    container_.ShowPage(0);
}

void COptionsPanel::ComposeCaption() {
    char caption[kTextBufferSize] = {};
    GetWindowTextA(dialog_, caption, sizeof caption);
    SetWindowTextA(dialog_, (Translate("Common/Options") + " - " + std::string(CutText(caption, kTitleLimit))).c_str());
}

void COptionsPanel::AttachLinks() {
    // The links take their labels now, after the translation.
    for (CHyperLink* link : {&reportLink_, &helpLink_}) {
        const int id = link == &reportLink_ ? IDC_MAIN_REPORT_LINK : IDC_MAIN_HELP_LINK;
        link->AttachDlgItem(dialog_, id);
        link->SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
    }
}

void COptionsPanel::ShowSelectedPage() {
    // The container hands the focus to the page it shows. A user choosing pages in the
    // selector keeps it there, or the second arrow key would already act inside a page.
    const bool fromSelector = GetFocus() == selector_.hwnd();
    container_.ShowPage(static_cast<int>(SendMessageA(selector_.hwnd(), LB_GETCURSEL, 0, 0)));
    if (fromSelector) SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(selector_.hwnd()), TRUE);
}

CommitOutcome COptionsPanel::Commit() {
    // A page whose save failed keeps its changes, and the next page still stores its own.
    CommitOutcome outcome;
    generalPage_.Commit();
    outcome.programs = programsPage_.Commit();
    outcome.projects = filtersPage_.Commit();
    outcome.privateList = privacyPage_.Commit();
    outcome.next = generalPage_.LanguageChanged() ? AfterCommit::Restart : AfterCommit::KeepRunning;
    return outcome;
}

void COptionsPanel::RetryHeldLists() {
    if (ReopenHeldProgramList()) programsPage_.Reload();
    if (ReopenHeldProjects()) filtersPage_.Reload();
    if (ReopenHeldPrivateList()) privacyPage_.Reload();
}

void COptionsPanel::Revert() {
    generalPage_.Revert();
    programsPage_.Revert();
    filtersPage_.Revert();
    privacyPage_.Revert();
}
