// The options side of the main window: the page selector, the page container with the three
// pages, the links, and what OK and Cancel do with the pages' data.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/lifecycle.h"
#include "app/main_dialog.h"
#include "links/links.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "winui/app_module.h"

namespace {

constexpr int kPageIconSize = 48;
const COLORREF kPageIconTransparent = RGB(49, 106, 197);
constexpr std::size_t kTextLimit = 254;

struct PageEntry {
    const char* key;
    int icon;
};

// In selector order; inserted last first, each at the top, so they end up in this order.
constexpr PageEntry kPageEntries[] = {
    {"Dialog/General", 0},
    {"Dialog/Applications", 1},
    {"Dialog/Projects", 2},
};

}  // namespace

void CDlgMain::SetUpOptions() {
    BuildPageSelector();
    BuildPages();
    TranslateDialog(hwnd());
    ComposeCaption();
    // The links take their labels now, after the translation.
    for (CHyperLink* link : {&reportLink_, &helpLink_}) {
        const int id = link == &reportLink_ ? IDC_MAIN_REPORT_LINK : IDC_MAIN_HELP_LINK;
        link->AttachDlgItem(hwnd(), id);
        link->SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
    }
}

void CDlgMain::BuildPageSelector() {
    PageImages.reset(ImageList_LoadImageA(AppModule.Instance(), MAKEINTRESOURCEA(IDB_PAGES), kPageIconSize, 1,
                                          kPageIconTransparent, IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (!selector_.AttachDlgItem(hwnd(), IDC_MAIN_SELECTOR)) return;
    selector_.SetUp();
    selector_.SetImageList(ImageListBoxImages::Normal, PageImages.get());
    selector_.SetImageList(ImageListBoxImages::Selected, PageImages.get());

    // Three entries fill the list exactly.
    RECT outer{};
    GetWindowRect(selector_.hwnd(), &outer);
    const int itemHeight = (outer.bottom - outer.top) / 3 - 1;
    SendMessageA(selector_.hwnd(), LB_SETITEMHEIGHT, 0, MAKELPARAM(itemHeight, 0));

    for (int index = static_cast<int>(std::size(kPageEntries)) - 1; index >= 0; --index) {
        std::string text = Translate(kPageEntries[index].key).substr(0, kTextLimit);
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

void CDlgMain::BuildPages() {
    if (!container_.AttachDlgItem(hwnd(), IDC_MAIN_PAGES)) return;
    container_.SetUp();
    // Each page runs its own set-up while it is created; one that fails keeps an empty slot.
    COptionsPage* pages[] = {&generalPage_, &programsPage_, &filtersPage_};
    for (COptionsPage* page : pages) page->Create(container_.hwnd());
    for (COptionsPage* page : pages) container_.AddPage(page->hwnd());
    container_.ShowPage(0);
}

void CDlgMain::ComposeCaption() {
    char caption[256] = {};
    GetWindowTextA(hwnd(), caption, sizeof caption);
    SetWindowTextA(hwnd(), (Translate("Common/Options") + " - " + caption).c_str());
}

LRESULT CDlgMain::OnSelectorChange(WindowMessage&) {
    container_.ShowPage(static_cast<int>(SendMessageA(selector_.hwnd(), LB_GETCURSEL, 0, 0)));
    return 0;
}

LRESULT CDlgMain::OnOk(WindowMessage&) {
    HideMainDialog();
    generalPage_.Commit();
    programsPage_.Commit();
    filtersPage_.Commit();
    // The language is read only at start: a new one takes a new start.
    if (generalPage_.LanguageChanged()) {
        RestartAfterExit = true;
        ExitProgram();
    }
    return 0;
}

LRESULT CDlgMain::OnCancel(WindowMessage&) {
    HideMainDialog();
    generalPage_.Revert();
    programsPage_.Revert();
    filtersPage_.Revert();
    return 0;
}

LRESULT CDlgMain::OnReportLink(WindowMessage&) {
    OpenReport();
    return 0;
}

LRESULT CDlgMain::OnHelpLink(WindowMessage&) {
    OpenHelp();
    return 0;
}

LRESULT CDlgMain::OnReport(WindowMessage&) {
    OpenReport();
    return 0;
}
