#include "ui/options/page4_privacy.h"

#include "resources/resource.h"
#include "settings/settings.h"
#include "tracking/private_list.h"

// The list code addresses its controls by the Applications page's ids.
static_assert(IDC_PAGE_PRIVACY_LIST == IDC_PAGE_APPLICATIONS_LIST && IDC_PAGE_PRIVACY_ADD == IDC_PAGE_APPLICATIONS_ADD &&
              IDC_PAGE_PRIVACY_DELETE == IDC_PAGE_APPLICATIONS_DELETE && IDC_PAGE_PRIVACY_UP == IDC_PAGE_APPLICATIONS_UP &&
              IDC_PAGE_PRIVACY_DOWN == IDC_PAGE_APPLICATIONS_DOWN);

namespace {

const PatternListFile kPrivateFile = {&PrivateList, LoadPrivateList, PrivateListIsHeld, SavePrivateList};
constexpr PatternEditorTexts kPrivateEditorTexts = {"PopupPrivate/Hint1", "PopupPrivate/CaptionAdd",
                                                    "PopupPrivate/CaptionEdit"};

}  // namespace

CDlgPage4Privacy::CDlgPage4Privacy() : CPatternListPage(IDD_PAGE_PRIVACY, kPrivateFile, kPrivateEditorTexts) {}

void CDlgPage4Privacy::SetUpMore() { LoadRecordDocuments(); }

void CDlgPage4Privacy::LoadRecordDocuments() {
    loadedRecordDocuments_ = ReadRecordDocuments();
    CheckDlgButton(hwnd(), IDC_PAGE_PRIVACY_RECORD_DOCUMENTS, loadedRecordDocuments_ ? BST_CHECKED : BST_UNCHECKED);
}

std::optional<SaveResult> CDlgPage4Privacy::Commit() {
    const bool recordDocuments = IsDlgButtonChecked(hwnd(), IDC_PAGE_PRIVACY_RECORD_DOCUMENTS) == BST_CHECKED;
    if (recordDocuments != loadedRecordDocuments_) {
        WriteSettingNumber("Options", RecordDocumentsName, recordDocuments ? 1 : 0);
        loadedRecordDocuments_ = recordDocuments;
    }
    return CPatternListPage::Commit();
}

void CDlgPage4Privacy::Revert() {
    LoadRecordDocuments();
    CPatternListPage::Revert();
}
