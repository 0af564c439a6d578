// The dialog templates of the options dialog, its four pages and the three editors, read back
// from the program's resources and compared with their control tables; then created as the
// program creates them (pages as hidden children, editors owned by a page) to see that the
// system accepted every control where the table puts it. Also the page icon bitmap.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/win/window_queries.h"

namespace {

// ---- Reading a DIALOGEX template ---------------------------------------------------------

struct Control {
    int id;
    std::string className;
    std::string text;
    int x, y, width, height;
    DWORD style;    // as the table gives it; every control also has WS_CHILD and WS_VISIBLE
    DWORD exStyle;
};

struct Dialog {
    DWORD style = 0;
    DWORD exStyle = 0;
    int width = 0, height = 0;
    std::string caption;
    int pointSize = 0;
    std::string face;
    std::vector<Control> controls;
};

class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : start_(data), at_(data), end_(data + size) {}

    bool failed() const { return failed_; }

    WORD Word() {
        WORD value = 0;
        Take(&value, sizeof value);
        return value;
    }
    DWORD Dword() {
        DWORD value = 0;
        Take(&value, sizeof value);
        return value;
    }
    short Short() { return static_cast<short>(Word()); }

    // A zero-terminated UTF-16 text, or an ordinal (0xFFFF and a number), or nothing (0).
    std::string TextOrOrdinal(bool isClass) {
        WORD first = Word();
        if (first == 0xFFFF) {
            WORD ordinal = Word();
            if (isClass) {
                static const char* const predefined[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
                if (ordinal >= 0x80 && ordinal <= 0x85)
                    return predefined[ordinal - 0x80];
            }
            return "#" + std::to_string(ordinal);
        }
        std::wstring wide;
        for (WORD c = first; c != 0 && !failed_; c = Word())
            wide += static_cast<wchar_t>(c);
        return Narrow(wide);
    }

    void AlignToDword() {
        while ((at_ - start_) % 4 != 0 && at_ < end_)
            ++at_;
    }

private:
    static std::string Narrow(const std::wstring& wide) {
        std::string narrow;
        for (wchar_t c : wide)
            narrow += c < 0x80 ? static_cast<char>(c) : '?';
        return narrow;
    }
    void Take(void* target, size_t size) {
        if (failed_ || static_cast<size_t>(end_ - at_) < size) {
            failed_ = true;
            return;
        }
        memcpy(target, at_, size);
        at_ += size;
    }

    const BYTE* start_;
    const BYTE* at_;
    const BYTE* end_;
    bool failed_ = false;
};

// The template as the resource holds it; an assertion failure when it is missing or broken.
::testing::AssertionResult ReadTemplate(int templateId, Dialog& dialog) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found)
        return ::testing::AssertionFailure() << "no dialog resource " << templateId;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    TemplateReader reader(data, SizeofResource(nullptr, found));
    if (reader.Word() != 1 || reader.Word() != 0xFFFF)
        return ::testing::AssertionFailure() << templateId << " is not an extended template";
    reader.Dword();  // help id
    dialog.exStyle = reader.Dword();
    dialog.style = reader.Dword();
    WORD count = reader.Word();
    reader.Short();  // x and y: the program places its windows itself
    reader.Short();
    dialog.width = reader.Short();
    dialog.height = reader.Short();
    std::string menu = reader.TextOrOrdinal(false);
    std::string windowClass = reader.TextOrOrdinal(false);
    if (!menu.empty() || !windowClass.empty())
        return ::testing::AssertionFailure() << templateId << " names a menu or a window class";
    dialog.caption = reader.TextOrOrdinal(false);
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        reader.Word();  // weight
        reader.Word();  // italic and character set
        dialog.face = reader.TextOrOrdinal(false);
    }
    for (WORD index = 0; index < count && !reader.failed(); ++index) {
        reader.AlignToDword();
        Control control;
        reader.Dword();  // help id
        control.exStyle = reader.Dword();
        control.style = reader.Dword();
        control.x = reader.Short();
        control.y = reader.Short();
        control.width = reader.Short();
        control.height = reader.Short();
        control.id = static_cast<int>(reader.Dword());
        control.className = reader.TextOrOrdinal(true);
        control.text = reader.TextOrOrdinal(false);
        WORD extra = reader.Word();
        for (WORD byte = 0; byte < extra; ++byte)
            reader.Word();
        dialog.controls.push_back(control);
    }
    if (reader.failed())
        return ::testing::AssertionFailure() << templateId << " ends early";
    return ::testing::AssertionSuccess();
}

std::string Hex(DWORD value) {
    std::ostringstream out;
    out << "0x" << std::hex << std::setw(8) << std::setfill('0') << value;
    return out.str();
}

// ---- The tables ----------------------------------------------------------------------------

constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
constexpr int NoId = -1;

// Options dialog: page selector, page area, report and help links, OK and Cancel.
const std::vector<Control> MainControls = {
    {IDC_MAIN_SELECTOR, "ListBox", "", 5, 5, 50, 159,
     LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_STATICEDGE},
    {IDC_MAIN_PAGES, "Static", "", 55, 0, 265, 150, SS_LEFT, 0},
    {IDC_MAIN_REPORT_LINK, "Static", "Menu/Report", 60, 153, 60, 12, SS_LEFT | WS_TABSTOP, 0},
    {IDC_MAIN_HELP_LINK, "Static", "Dialog/Help", 150, 153, 50, 12, SS_LEFT | WS_TABSTOP, 0},
    {IDOK, "Button", "Dialog/Ok", 212, 150, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {IDCANCEL, "Button", "Dialog/Cancel", 267, 150, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

// Where the tables leave a style open, each control that takes the focus starts its own arrow
// key group (WS_GROUP) unless it belongs with the buttons before it, and the drop-down lists
// scroll (WS_VSCROLL).
const std::vector<Control> GeneralControls = {
    {NoId, "Static", "Page1/Lang", 5, 5, 78, 15, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_GENERAL_LANGUAGE, "ComboBox", "", 5, 15, 70, 80,
     CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_GENERAL_STARTUP, "Button", "Page1/Startup", 5, 35, 120, 10, BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_GENERAL_VERSION, "Static", "Page1/Hint1", 5, 48, 200, 10, SS_LEFT | WS_GROUP, 0},
    {NoId, "Static", "Page1/Hint2", 5, 58, 200, 10, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_GENERAL_UPDATE_LINK, "Static", "ostrak.example.org", 5, 67, 75, 12, SS_LEFT | WS_GROUP | WS_TABSTOP, 0},
    {NoId, "Static", "Page1/Away", 5, 85, 118, 10, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_GENERAL_AWAY_TIME, "ComboBox", "", 125, 83, 70, 100, CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP,
     0},
    {IDC_PAGE_GENERAL_TIMELINE, "Button", "Page1/Timeline", 5, 100, 250, 10, BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_GENERAL_MEDIA_PRESENCE, "Button", "Page1/MediaPresence", 5, 112, 250, 10,
     BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0},
    // The shared folder is chosen, never typed: a read-only line, Browse and Off.
    {NoId, "Static", "Page1/SharedFolder", 5, 126, 255, 9, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_GENERAL_SHARED_FOLDER, "Edit", "", 5, 136, 148, 12,
     ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_GROUP | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {IDC_PAGE_GENERAL_SHARED_BROWSE, "Button", "Page1/Browse", 157, 135, 52, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_GENERAL_SHARED_CLEAR, "Button", "Page1/SharedOff", 211, 135, 52, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

// The lists hold their own strings and are not owner-drawn, which a no-data list cannot be.
const std::vector<Control> ApplicationsControls = {
    {NoId, "Static", "Page2/Hint1", 5, 5, 265, 10, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_APPLICATIONS_LIST, "ListBox", "", 5, 15, 202, 130,
     WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
     WS_EX_STATICEDGE},
    {IDC_PAGE_APPLICATIONS_ADD, "Button", "Dialog/Add", 212, 15, 50, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_APPLICATIONS_DELETE, "Button", "Dialog/Del", 212, 32, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_APPLICATIONS_UP, "Button", "Dialog/Up", 212, 80, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_APPLICATIONS_DOWN, "Button", "Dialog/Down", 212, 97, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

// The Applications page's list and buttons, shorter, above the box and the line on what is
// never recorded.
const std::vector<Control> PrivacyControls = {
    {NoId, "Static", "Page4/Hint1", 5, 5, 255, 10, SS_LEFT | WS_GROUP, 0},
    {IDC_PAGE_PRIVACY_LIST, "ListBox", "", 5, 15, 202, 90,
     WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
     WS_EX_STATICEDGE},
    {IDC_PAGE_PRIVACY_ADD, "Button", "Dialog/Add", 212, 15, 50, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_PRIVACY_DELETE, "Button", "Dialog/Del", 212, 32, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PRIVACY_UP, "Button", "Dialog/Up", 212, 74, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PRIVACY_DOWN, "Button", "Dialog/Down", 212, 91, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PRIVACY_RECORD_DOCUMENTS, "Button", "Page4/RecordDocuments", 5, 112, 255, 10,
     BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0},
    {NoId, "Static", "Page4/Never", 5, 127, 255, 20, SS_LEFT | WS_GROUP, 0},
};

constexpr DWORD ProjectsListStyle =
    WS_VSCROLL | WS_TABSTOP | WS_GROUP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT;

const std::vector<Control> ProjectsControls = {
    {NoId, "Button", "Page3/Hint1", 5, 5, 85, 138, BS_GROUPBOX, 0},
    {IDC_PAGE_PROJECTS_ADD_PROJECT, "Button", "Dialog/Add", 7, 15, 40, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_DELETE_PROJECT, "Button", "Dialog/Del", 48, 15, 40, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_PROJECTS, "ListBox", "", 5, 32, 85, 113, ProjectsListStyle, WS_EX_STATICEDGE},
    {NoId, "Button", "Page3/Hint2", 95, 5, 167, 138, BS_GROUPBOX, 0},
    {IDC_PAGE_PROJECTS_ADD_FILTER, "Button", "Dialog/Add", 97, 15, 40, 14, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_DELETE_FILTER, "Button", "Dialog/Del", 138, 15, 40, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_FILTER_DOWN, "Button", "Dialog/Down", 179, 15, 40, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_FILTER_UP, "Button", "Dialog/Up", 220, 15, 40, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PAGE_PROJECTS_FILTERS, "ListBox", "", 95, 32, 167, 113,
     (ProjectsListStyle & ~LBS_USETABSTOPS) | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, WS_EX_STATICEDGE},
};

const std::vector<Control> ProgramEditorControls = {
    {IDC_POPUP_PROGRAM_HINT, "Static", "PopupProgram/Hint1", 5, 3, 190, 12, SS_LEFT | WS_GROUP, 0},
    {IDC_POPUP_PROGRAM_PATTERN, "Edit", "", 5, 12, 190, 12, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_STATICEDGE},
    {IDC_POPUP_PROGRAM_PICK_WINDOW, "Static", "PopupProgram/Link1", 5, 32, 85, 12, SS_LEFT | WS_GROUP | WS_TABSTOP, 0},
    {IDOK, "Button", "Dialog/Ok", 90, 30, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDCANCEL, "Button", "Dialog/Cancel", 145, 30, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

const std::vector<Control> ProjectEditorControls = {
    {NoId, "Static", "PopupProject/Hint1", 5, 3, 105, 12, SS_LEFT | WS_GROUP, 0},
    {IDC_POPUP_PROJECT_NAME, "Edit", "", 5, 12, 105, 12, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_STATICEDGE},
    {IDOK, "Button", "Dialog/Ok", 5, 30, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDCANCEL, "Button", "Dialog/Cancel", 60, 30, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

const std::vector<Control> FilterEditorControls = {
    {NoId, "Static", "PopupFilter/Hint1", 5, 4, 140, 24, SS_LEFT | WS_GROUP, 0},
    {IDC_POPUP_FILTER_TEXT, "Edit", "", 5, 22, 140, 12, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_STATICEDGE},
    {NoId, "Static", "PopupFilter/Hint2", 5, 38, 140, 24, SS_LEFT | WS_GROUP, 0},
    {IDC_POPUP_FILTER_WHERE, "ComboBox", "", 5, 47, 140, 40, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0},
    {NoId, "Static", "PopupFilter/Hint3", 5, 63, 140, 24, SS_LEFT | WS_GROUP, 0},
    {IDC_POPUP_FILTER_PROJECT, "ComboBox", "", 5, 72, 140, 100, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0},
    {IDOK, "Button", "Dialog/Ok", 40, 90, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {IDCANCEL, "Button", "Dialog/Cancel", 95, 90, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
};

struct DialogTable {
    int id;
    const char* name;
    DWORD style;
    DWORD exStyle;
    int width, height;
    const char* caption;
    const std::vector<Control>* controls;
};

constexpr DWORD PageStyle = DS_SETFONT | WS_CHILD;
constexpr DWORD EditorStyle = DS_SETFONT | WS_CAPTION | WS_SYSMENU;

const DialogTable Tables[] = {
    {IDD_MAIN, "options dialog", DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 322, 170,
     "Ostrak", &MainControls},
    {IDD_PAGE_GENERAL, "General page", PageStyle, 0, 265, 150, "", &GeneralControls},
    {IDD_PAGE_APPLICATIONS, "Applications page", PageStyle, 0, 265, 150, "", &ApplicationsControls},
    {IDD_PAGE_PROJECTS, "Projects page", PageStyle, 0, 265, 150, "", &ProjectsControls},
    {IDD_PAGE_PRIVACY, "Privacy page", PageStyle, 0, 265, 150, "", &PrivacyControls},
    {IDD_POPUP_PROGRAM, "program editor", EditorStyle, WS_EX_TOOLWINDOW, 200, 50, "", &ProgramEditorControls},
    {IDD_POPUP_PROJECT, "project editor", EditorStyle, WS_EX_TOOLWINDOW, 115, 50, "", &ProjectEditorControls},
    {IDD_POPUP_FILTER, "filter editor", EditorStyle, WS_EX_TOOLWINDOW, 150, 108, "", &FilterEditorControls},
};

void PrintTo(const DialogTable& table, std::ostream* out) {
    *out << table.name << " (" << table.id << ")";
}

std::string TableName(const ::testing::TestParamInfo<DialogTable>& info) {
    std::string name;
    for (const char* c = info.param.name; *c; ++c) {
        if (isalnum(static_cast<unsigned char>(*c)))
            name += *c;
    }
    return name;
}

// ---- The templates as stored ---------------------------------------------------------------

class DialogTemplate : public ::testing::TestWithParam<DialogTable> {};

TEST_P(DialogTemplate, HoldsExactlyTheControlsOfItsTableInTableOrder) {
    const DialogTable& table = GetParam();
    Dialog dialog;
    ASSERT_TRUE(ReadTemplate(table.id, dialog));
    EXPECT_EQ(Hex(dialog.style), Hex(table.style));
    EXPECT_EQ(Hex(dialog.exStyle), Hex(table.exStyle));
    EXPECT_EQ(dialog.width, table.width);
    EXPECT_EQ(dialog.height, table.height);
    EXPECT_EQ(dialog.caption, table.caption);
    EXPECT_EQ(dialog.face, "MS Sans Serif");
    EXPECT_EQ(dialog.pointSize, 8);

    const std::vector<Control>& expected = *table.controls;
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t index = 0; index < expected.size(); ++index) {
        const Control& want = expected[index];
        const Control& got = dialog.controls[index];
        SCOPED_TRACE("control " + std::to_string(index) + ", id " + std::to_string(want.id) + ", " + want.text);
        EXPECT_EQ(got.id, want.id);
        // Class names are not case sensitive; the resource compiler writes them in capitals.
        EXPECT_EQ(lstrcmpiA(got.className.c_str(), want.className.c_str()), 0) << got.className;
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(Hex(got.style), Hex(want.style | Child));
        EXPECT_EQ(Hex(got.exStyle), Hex(want.exStyle));
    }
}

TEST_P(DialogTemplate, NoListIsANoDataList) {
    // A no-data list keeps neither strings nor item data; these lists need both.
    Dialog dialog;
    ASSERT_TRUE(ReadTemplate(GetParam().id, dialog));
    for (const Control& control : dialog.controls) {
        if (control.className == "ListBox") {
            EXPECT_EQ(control.style & LBS_NODATA, 0u) << control.id;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogTemplate, ::testing::ValuesIn(Tables), TableName);

// ---- The templates as created --------------------------------------------------------------

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// A window destroyed at the end of the scope.
class OwnedWindow {
public:
    explicit OwnedWindow(HWND window = nullptr) : window_(window) {}
    ~OwnedWindow() {
        if (window_)
            DestroyWindow(window_);
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

HWND CreateFromTemplate(int templateId, HWND parent) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, PlainDialogProc, 0);
}

HWND CreateTopLevel() {
    return CreateWindowExA(0, "Static", "host", WS_OVERLAPPED | WS_CAPTION, 0, 0, 600, 400, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

using window_queries::ClassOf;
using window_queries::DialogUnits;
using window_queries::RectInParent;
using window_queries::Text;

std::string Describe(const RECT& rect) {
    std::ostringstream out;
    out << "(" << rect.left << "," << rect.top << ")-(" << rect.right << "," << rect.bottom << ")";
    return out.str();
}

// Each control as created: its class, text, place in pixels and the styles the system kept.
void ExpectControlsAsInTable(HWND dialog, const std::vector<Control>& table) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), table.size());
    for (size_t index = 0; index < table.size(); ++index) {
        const Control& want = table[index];
        HWND control = children[index];
        SCOPED_TRACE("control " + std::to_string(index) + ", id " + std::to_string(want.id) + ", " + want.text);
        EXPECT_EQ(GetDlgCtrlID(control), want.id);
        EXPECT_EQ(lstrcmpiA(ClassOf(control).c_str(), want.className.c_str()), 0) << ClassOf(control);
        EXPECT_EQ(Text(control), want.text);
        RECT expected = DialogUnits(dialog, want.x, want.y, want.width, want.height);
        RECT actual = RectInParent(control);
        if (want.className == "ComboBox") {
            // The closed box has the height of its text field; the table's height is the
            // height of the box with its list dropped down. Windows reports that whole height
            // as the dropped rectangle, Wine leaves out the text field and its edges.
            RECT dropped;
            SendMessageA(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&dropped), 2);
            EXPECT_EQ(dropped.left, expected.left);
            EXPECT_EQ(dropped.top, expected.top);
            EXPECT_EQ(dropped.right, expected.right);
            int textField = actual.bottom - actual.top + 2 * GetSystemMetrics(SM_CYEDGE);
            EXPECT_LE(dropped.bottom, expected.bottom);
            EXPECT_GE(dropped.bottom, expected.bottom - textField);
            expected.bottom = actual.bottom;
        }
        EXPECT_EQ(Describe(actual), Describe(expected));
        // A list shows its scroll bar style only while its entries overflow.
        DWORD kept = want.style & ~WS_VSCROLL;
        EXPECT_EQ(Hex(GetWindowLongA(control, GWL_STYLE) & (kept | Child)), Hex(kept | Child));
        EXPECT_EQ(Hex(GetWindowLongA(control, GWL_EXSTYLE) & want.exStyle), Hex(want.exStyle));
    }
}

// The ids the Tab key visits, starting from the first tab stop.
std::vector<int> TabOrder(HWND dialog) {
    std::vector<int> ids;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND control = first; control && ids.size() < 20;) {
        ids.push_back(GetDlgCtrlID(control));
        control = GetNextDlgTabItem(dialog, control, FALSE);
        if (control == first)
            break;
    }
    return ids;
}

int ArrowDownFrom(HWND dialog, int id) {
    return GetDlgCtrlID(GetNextDlgGroupItem(dialog, GetDlgItem(dialog, id), FALSE));
}

void ExpectPageFrame(HWND page, HWND parent) {
    EXPECT_EQ(GetParent(page), parent);
    LONG style = GetWindowLongA(page, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_VISIBLE | WS_CAPTION | WS_POPUP));
    RECT client;
    GetClientRect(page, &client);
    EXPECT_EQ(Describe(client), Describe(DialogUnits(page, 0, 0, 265, 150)));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    ASSERT_TRUE(font && GetObjectA(font, sizeof description, &description));
    EXPECT_STREQ(description.lfFaceName, "MS Sans Serif");
}

class CreatedFromTemplate : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.get(), nullptr); }
    OwnedWindow host{CreateTopLevel()};
};

TEST_F(CreatedFromTemplate, GeneralPage) {
    OwnedWindow page(CreateFromTemplate(IDD_PAGE_GENERAL, host.get()));
    ASSERT_NE(page.get(), nullptr);
    ExpectPageFrame(page.get(), host.get());
    ExpectControlsAsInTable(page.get(), GeneralControls);

    EXPECT_EQ(TabOrder(page.get()), (std::vector<int>{IDC_PAGE_GENERAL_LANGUAGE, IDC_PAGE_GENERAL_STARTUP,
                                                      IDC_PAGE_GENERAL_UPDATE_LINK, IDC_PAGE_GENERAL_AWAY_TIME,
                                                      IDC_PAGE_GENERAL_TIMELINE, IDC_PAGE_GENERAL_MEDIA_PRESENCE,
                                                      IDC_PAGE_GENERAL_SHARED_FOLDER, IDC_PAGE_GENERAL_SHARED_BROWSE,
                                                      IDC_PAGE_GENERAL_SHARED_CLEAR}));
    // The arrow keys leave the check box where it is rather than moving to a static text.
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_GENERAL_STARTUP), IDC_PAGE_GENERAL_STARTUP);

    // The language list sorts without regard to case.
    HWND languages = GetDlgItem(page.get(), IDC_PAGE_GENERAL_LANGUAGE);
    for (const char* name : {"Russian", "EnglishUK", "english"})
        SendMessageA(languages, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    std::vector<std::string> order;
    for (int index = 0; index < 3; ++index) {
        char text[64] = "";
        SendMessageA(languages, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        order.push_back(text);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"english", "EnglishUK", "Russian"}));

    HWND startup = GetDlgItem(page.get(), IDC_PAGE_GENERAL_STARTUP);
    SendMessageA(startup, BM_CLICK, 0, 0);  // an automatic check box ticks itself
    EXPECT_EQ(SendMessageA(startup, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(CreatedFromTemplate, ApplicationsPage) {
    OwnedWindow page(CreateFromTemplate(IDD_PAGE_APPLICATIONS, host.get()));
    ASSERT_NE(page.get(), nullptr);
    ExpectPageFrame(page.get(), host.get());
    ExpectControlsAsInTable(page.get(), ApplicationsControls);

    EXPECT_EQ(TabOrder(page.get()), (std::vector<int>{IDC_PAGE_APPLICATIONS_LIST, IDC_PAGE_APPLICATIONS_ADD,
                                                      IDC_PAGE_APPLICATIONS_DELETE, IDC_PAGE_APPLICATIONS_UP,
                                                      IDC_PAGE_APPLICATIONS_DOWN}));
    // The arrow keys go round the four buttons.
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_APPLICATIONS_ADD), IDC_PAGE_APPLICATIONS_DELETE);
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_APPLICATIONS_DOWN), IDC_PAGE_APPLICATIONS_ADD);

    // The list keeps its strings, in the order added, and selects several entries at once.
    HWND list = GetDlgItem(page.get(), IDC_PAGE_APPLICATIONS_LIST);
    for (const char* pattern : {" - Notepad", " - Mozilla Firefox", " - Word"})
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pattern));
    char text[64] = "";
    ASSERT_EQ(SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text)), 18);
    EXPECT_STREQ(text, " - Mozilla Firefox");
    SendMessageA(list, LB_SETSEL, TRUE, 0);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_SETITEMDATA, 2, 77), TRUE);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 2, 0), 77);
}

TEST_F(CreatedFromTemplate, PrivacyPage) {
    OwnedWindow page(CreateFromTemplate(IDD_PAGE_PRIVACY, host.get()));
    ASSERT_NE(page.get(), nullptr);
    ExpectPageFrame(page.get(), host.get());
    ExpectControlsAsInTable(page.get(), PrivacyControls);

    EXPECT_EQ(TabOrder(page.get()),
              (std::vector<int>{IDC_PAGE_PRIVACY_LIST, IDC_PAGE_PRIVACY_ADD, IDC_PAGE_PRIVACY_DELETE, IDC_PAGE_PRIVACY_UP,
                                IDC_PAGE_PRIVACY_DOWN, IDC_PAGE_PRIVACY_RECORD_DOCUMENTS}));
    // The arrow keys go round the four buttons and leave the box where it is.
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_PRIVACY_DOWN), IDC_PAGE_PRIVACY_ADD);
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_PRIVACY_RECORD_DOCUMENTS), IDC_PAGE_PRIVACY_RECORD_DOCUMENTS);
}

TEST_F(CreatedFromTemplate, ProjectsPage) {
    OwnedWindow page(CreateFromTemplate(IDD_PAGE_PROJECTS, host.get()));
    ASSERT_NE(page.get(), nullptr);
    ExpectPageFrame(page.get(), host.get());
    ExpectControlsAsInTable(page.get(), ProjectsControls);

    EXPECT_EQ(TabOrder(page.get()),
              (std::vector<int>{IDC_PAGE_PROJECTS_ADD_PROJECT, IDC_PAGE_PROJECTS_DELETE_PROJECT,
                                IDC_PAGE_PROJECTS_PROJECTS, IDC_PAGE_PROJECTS_ADD_FILTER,
                                IDC_PAGE_PROJECTS_DELETE_FILTER, IDC_PAGE_PROJECTS_FILTER_DOWN,
                                IDC_PAGE_PROJECTS_FILTER_UP, IDC_PAGE_PROJECTS_FILTERS}));
    // The arrow keys stay among the buttons of one side.
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_PROJECTS_DELETE_PROJECT), IDC_PAGE_PROJECTS_ADD_PROJECT);
    EXPECT_EQ(ArrowDownFrom(page.get(), IDC_PAGE_PROJECTS_FILTER_UP), IDC_PAGE_PROJECTS_ADD_FILTER);

    // Single selection lists that keep strings and item data; the page draws the filter lines.
    for (int id : {IDC_PAGE_PROJECTS_PROJECTS, IDC_PAGE_PROJECTS_FILTERS}) {
        SCOPED_TRACE(id);
        HWND list = GetDlgItem(page.get(), id);
        SendMessageA(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Work"));
        SendMessageA(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("Home"));
        EXPECT_EQ(SendMessageA(list, LB_SETITEMDATA, 1, 0x30000), TRUE);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 1, 0), 0x30000);
        EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 1, 0), 1);
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), LB_ERR);  // not a multiple selection list
        char text[64] = "";
        SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "Work");
    }
}

void ExpectEditorFrame(HWND editor, HWND owner, int width, int height) {
    EXPECT_EQ(GetWindow(editor, GW_OWNER), owner);
    LONG style = GetWindowLongA(editor, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_FALSE(style & (WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetWindowLongA(editor, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT client;
    GetClientRect(editor, &client);
    EXPECT_EQ(Describe(client), Describe(DialogUnits(editor, 0, 0, width, height)));
}

// The editors are owned by a page, as the pages open them.
class EditorFromTemplate : public CreatedFromTemplate {
protected:
    void SetUp() override {
        CreatedFromTemplate::SetUp();
        ASSERT_NE(page.get(), nullptr);
    }
    OwnedWindow page{CreateFromTemplate(IDD_PAGE_PROJECTS, host.get())};
};

TEST_F(EditorFromTemplate, ProgramEditor) {
    OwnedWindow editor(CreateFromTemplate(IDD_POPUP_PROGRAM, page.get()));
    ASSERT_NE(editor.get(), nullptr);
    // Owned by the page's top-level window: a child cannot own a window.
    ExpectEditorFrame(editor.get(), host.get(), 200, 50);
    ExpectControlsAsInTable(editor.get(), ProgramEditorControls);
    EXPECT_EQ(TabOrder(editor.get()),
              (std::vector<int>{IDC_POPUP_PROGRAM_PATTERN, IDC_POPUP_PROGRAM_PICK_WINDOW, IDOK, IDCANCEL}));
    EXPECT_EQ(ArrowDownFrom(editor.get(), IDCANCEL), IDOK);
    EXPECT_EQ(SendMessageA(editor.get(), DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
}

TEST_F(EditorFromTemplate, ProjectEditor) {
    OwnedWindow editor(CreateFromTemplate(IDD_POPUP_PROJECT, page.get()));
    ASSERT_NE(editor.get(), nullptr);
    ExpectEditorFrame(editor.get(), host.get(), 115, 50);
    ExpectControlsAsInTable(editor.get(), ProjectEditorControls);
    EXPECT_EQ(TabOrder(editor.get()), (std::vector<int>{IDC_POPUP_PROJECT_NAME, IDOK, IDCANCEL}));
    EXPECT_EQ(ArrowDownFrom(editor.get(), IDCANCEL), IDOK);
}

TEST_F(EditorFromTemplate, FilterEditor) {
    OwnedWindow editor(CreateFromTemplate(IDD_POPUP_FILTER, page.get()));
    ASSERT_NE(editor.get(), nullptr);
    ExpectEditorFrame(editor.get(), host.get(), 150, 108);
    ExpectControlsAsInTable(editor.get(), FilterEditorControls);
    EXPECT_EQ(TabOrder(editor.get()), (std::vector<int>{IDC_POPUP_FILTER_TEXT, IDC_POPUP_FILTER_WHERE,
                                                        IDC_POPUP_FILTER_PROJECT, IDOK, IDCANCEL}));
    EXPECT_EQ(ArrowDownFrom(editor.get(), IDCANCEL), IDOK);

    // The choices keep the order they are given (not sorted) and their item data.
    HWND projects = GetDlgItem(editor.get(), IDC_POPUP_FILTER_PROJECT);
    SendMessageA(projects, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Work"));
    SendMessageA(projects, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("Home"));
    SendMessageA(projects, CB_SETITEMDATA, 1, 7);
    char text[64] = "";
    SendMessageA(projects, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Home");
    EXPECT_EQ(SendMessageA(projects, CB_GETITEMDATA, 1, 0), 7);
}

// ---- The page icons ------------------------------------------------------------------------

constexpr COLORREF Transparent = RGB(49, 106, 197);
constexpr int PageCount = 4;

struct PageIconBitmap {
    int id;
    int size;
};

// Every size the selector may ask for, each drawn at that size.
class PageIcons : public ::testing::TestWithParam<PageIconBitmap> {};

TEST_P(PageIcons, TheBitmapIsFourIconsOfItsSizeInTwentyFourBits) {
    const int size = GetParam().size;
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(GetParam().id),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, size * PageCount);
    EXPECT_EQ(section.dsBm.bmHeight, size);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    ASSERT_NE(section.dsBm.bmBits, nullptr);

    // Every icon leaves its corners transparent and draws a picture; no pixel of a picture is a
    // blend with the transparent colour, which would show as a blue fringe on the white list.
    const auto* bits = static_cast<const BYTE*>(section.dsBm.bmBits);
    auto pixel = [&](int x, int y) {  // bottom-up rows of blue, green, red
        const BYTE* at = bits + (size - 1 - y) * section.dsBm.bmWidthBytes + x * 3;
        return RGB(at[2], at[1], at[0]);
    };
    for (int icon = 0; icon < PageCount; ++icon) {
        SCOPED_TRACE(icon);
        int left = icon * size;
        for (int x : {left, left + size - 1}) {
            for (int y : {0, size - 1}) {
                EXPECT_EQ(pixel(x, y), Transparent) << x << "," << y;
            }
        }
        int drawn = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = left; x < left + size; ++x) {
                COLORREF colour = pixel(x, y);
                if (colour == Transparent)
                    continue;
                ++drawn;
                int red = GetRValue(colour) - 49, green = GetGValue(colour) - 106, blue = GetBValue(colour) - 197;
                EXPECT_GT(red * red + green * green + blue * blue, 40 * 40)
                    << "pixel " << x << "," << y << " is almost the transparent colour";
            }
        }
        EXPECT_GT(drawn, size * size / 3);
    }
    DeleteObject(bitmap);
}

TEST_P(PageIcons, TheImageListDrawsThemOnWhiteWithoutTheTransparentColour) {
    const int size = GetParam().size;
    HIMAGELIST images = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(GetParam().id), size, 1,
                                             Transparent, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), PageCount);
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    EXPECT_EQ(width, size);
    EXPECT_EQ(height, size);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, canvas);
    RECT all = {0, 0, size, size};
    for (int icon = 0; icon < PageCount; ++icon) {
        SCOPED_TRACE(icon);
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ASSERT_TRUE(ImageList_Draw(images, icon, memory, 0, 0, ILD_TRANSPARENT));
        EXPECT_EQ(GetPixel(memory, 0, 0), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(memory, size - 1, size - 1), RGB(255, 255, 255));
        int keyed = 0, white = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                COLORREF colour = GetPixel(memory, x, y);
                keyed += colour == Transparent;
                white += colour == RGB(255, 255, 255);
            }
        }
        EXPECT_EQ(keyed, 0);
        EXPECT_GT(white, size * 4);              // the surround
        EXPECT_LT(white, size * size * 2 / 3);  // and a picture
    }
    SelectObject(memory, previous);
    DeleteObject(canvas);
    DeleteDC(memory);
    ImageList_Destroy(images);
}

INSTANTIATE_TEST_SUITE_P(Resources, PageIcons,
                         ::testing::Values(PageIconBitmap{IDB_PAGES_24, 24}, PageIconBitmap{IDB_PAGES_32, 32},
                                           PageIconBitmap{IDB_PAGES_40, 40}, PageIconBitmap{IDB_PAGES, 48},
                                           PageIconBitmap{IDB_PAGES_64, 64}),
                         [](const ::testing::TestParamInfo<PageIconBitmap>& info) {
                             return std::to_string(info.param.size) + "Pixels";
                         });

}  // namespace
