// The Projects page and its project and filter editors, driven by their own messages: the
// page on a hidden host window (and once inside the real options dialog, for OK and Cancel),
// the modal editors from a timer inside their own loops.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_replace.h"
#include "localization/language.h"
#include "projects/projects.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/win/controls_test_support.h"
#include "tests/win/modal_editor_driver.h"
#include "tests/win/program_folder.h"
#include "ui/options/page3_filters.h"
#include "ui/options/popup_filter.h"
#include "ui/options/popup_program.h"
#include "ui/options/popup_project.h"

namespace {

using controls_test::Canvas;
using Texts = std::vector<std::string>;

// The save declares the system's code page; the files the tests write declare 1251.
std::string Declaration(int codePage = 1251) {
    return "<?xml version=\"1.0\" encoding=\"" + CodePageName(codePage) + "\"?>\n";
}

std::string ProjectElement(std::int64_t id, const std::string& name) {
    return "   <Project id=\"" + std::to_string(id) + "\">" + name + "</Project>\n";
}

std::string FilterElement(std::int64_t project, std::int64_t where, const std::string& text) {
    return "   <Filter project=\"" + std::to_string(project) + "\" where=\"" + std::to_string(where) + "\">" + text +
           "</Filter>\n";
}

// The file as the store writes it.
std::string ProjectsFile(const std::string& elements, int codePage = 1251) {
    return Declaration(codePage) + "<List>\n" + elements + "</List>";
}

std::string Line(const std::string& text, const std::string& project, const std::string& where) {
    return text + '\t' + project + '\t' + where;
}

std::string LongText(std::size_t length) {
    std::string text;
    for (std::size_t index = 0; index < length; ++index) text += static_cast<char>('a' + index % 26);
    return text;
}

// A program folder with the delivered English language, for the page and the editors alike.
class ProgramFolderTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("projects");
        ProjectList.clear();
        FilterList.clear();
        WriteSettingText("Options", "Lang", "English");
        std::ofstream(folder_ + "Lang.English.xml", std::ios::binary)
            << ReadWholeFile(std::string(OSTRAK_SOURCE_DIR) + "/delivered/Lang.English.xml");
        LoadLanguage();

        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OstrakProjectsTestHost";
        RegisterClassA(&windowClass);
        // Never shown: the editors centre over the work area then.
        host_ = CreateWindowExA(0, "OstrakProjectsTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(host_);
    }

    void TearDown() override {
        if (host_) DestroyWindow(host_);
        FreeLanguage();
        ProjectList.clear();
        FilterList.clear();
        RemoveProgramFolder(folder_);
    }

    std::string UserFile() const { return folder_ + "user1-Projects.xml"; }

    std::string folder_;
    HWND host_ = nullptr;
};

// ---- The project editor ----

class PopupProjectTest : public ProgramFolderTest {};

TEST_F(PopupProjectTest, AddTakesAtMost254CharactersWithTheAddCaption) {
    CDlgPopupProject editor(CDlgPopupProject::Add, std::string());
    std::string caption, initial;
    INT_PTR result = 0;
    const EditorRun run = RunWithEditor(host_,
                                        {[&](HWND dialog) {
                                            caption = WindowText(dialog);
                                            initial = WindowText(GetDlgItem(dialog, IDC_POPUP_PROJECT_NAME));
                                            TypeInto(dialog, IDC_POPUP_PROJECT_NAME, LongText(300));
                                            PressButton(dialog, IDOK);
                                        }},
                                        [&] { result = editor.DoModal(host_); });
    EXPECT_EQ(run.editorsSeen, 1);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, " New Project");
    EXPECT_EQ(initial, "");
    EXPECT_EQ(editor.Name(), LongText(254));
}

TEST_F(PopupProjectTest, EditShowsTheNameAsItIsAndAnEmptyNameCountsAsCancel) {
    // A name that happens to be a key is a name, not a text to translate.
    CDlgPopupProject editor(CDlgPopupProject::Edit, "Dialog/Ok");
    std::string caption, initial, hint;
    INT_PTR result = 0;
    RunWithEditor(host_,
                  {[&](HWND dialog) {
                      caption = WindowText(dialog);
                      initial = WindowText(GetDlgItem(dialog, IDC_POPUP_PROJECT_NAME));
                      hint = WindowText(GetDlgItem(dialog, IDOK));
                      TypeInto(dialog, IDC_POPUP_PROJECT_NAME, "");
                      PressButton(dialog, IDOK);
                  }},
                  [&] { result = editor.DoModal(host_); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(caption, " Edit Project");
    EXPECT_EQ(initial, "Dialog/Ok");
    EXPECT_EQ(hint, "OK");
}

// ---- The filter editor ----

class PopupFilterTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        // The page's projects list as the editor copies it: texts and identifiers.
        projects_ = CreateWindowExA(0, "ListBox", "", WS_CHILD | LBS_NOTIFY, 0, 0, 100, 100, host_, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        const std::pair<const char*, LPARAM> items[] = {
            {"Work", 2}, {"Home", 5}, {"A project with a name much longer than the choice is wide", 9}};
        for (const auto& item : items) {
            const LRESULT index = SendMessageA(projects_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.first));
            SendMessageA(projects_, LB_SETITEMDATA, index, item.second);
        }
    }

    static Texts ChoiceTexts(HWND combo) {
        Texts texts;
        const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            char text[512] = "";
            SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }

    HWND projects_ = nullptr;
};

TEST_F(PopupFilterTest, AddOffersBothKindsAndThePagesProjectsAndReturnsTheChoice) {
    CDlgPopupFilter editor(CDlgPopupFilter::Add, std::string(), 0, 5, projects_);
    std::string caption;
    Texts kinds, names;
    int kind = -2, project = -2;
    LRESULT thirdData = 0, droppedWidth = 0;
    int longestName = 0;
    INT_PTR result = 0;
    RunWithEditor(host_,
                  {[&](HWND dialog) {
                      caption = WindowText(dialog);
                      HWND where = GetDlgItem(dialog, IDC_POPUP_FILTER_WHERE);
                      HWND choice = GetDlgItem(dialog, IDC_POPUP_FILTER_PROJECT);
                      kinds = ChoiceTexts(where);
                      names = ChoiceTexts(choice);
                      kind = static_cast<int>(SendMessageA(where, CB_GETCURSEL, 0, 0));
                      project = static_cast<int>(SendMessageA(choice, CB_GETCURSEL, 0, 0));
                      thirdData = SendMessageA(choice, CB_GETITEMDATA, 2, 0);
                      droppedWidth = SendMessageA(choice, CB_GETDROPPEDWIDTH, 0, 0);
                      if (!names.empty()) {
                          HDC dc = GetDC(choice);
                          HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(choice, WM_GETFONT, 0, 0));
                          HGDIOBJ previous = SelectObject(dc, font);
                          SIZE extent{};
                          GetTextExtentPoint32A(dc, names.back().c_str(), static_cast<int>(names.back().size()), &extent);
                          SelectObject(dc, previous);
                          ReleaseDC(choice, dc);
                          longestName = extent.cx;
                      }

                      // A TAB pasted into the text would end the text in the page's line.
                      TypeInto(dialog, IDC_POPUP_FILTER_TEXT, "Report\t2024" + LongText(300));
                      SendMessageA(where, CB_SETCURSEL, 1, 0);
                      SendMessageA(choice, CB_SETCURSEL, 2, 0);
                      PressButton(dialog, IDOK);
                  }},
                  [&] { result = editor.DoModal(host_); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, " New Filter");
    EXPECT_EQ(kinds, (Texts{"In the application name", "In the document name"}));
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(names, (Texts{"Work", "Home", "A project with a name much longer than the choice is wide"}));
    EXPECT_EQ(project, 1);  // the given identifier 5
    EXPECT_EQ(thirdData, 9);
    // The open choice shows the longest name whole.
    EXPECT_GT(droppedWidth, longestName);

    EXPECT_EQ(editor.Text(), ("Report 2024" + LongText(300)).substr(0, 254));
    EXPECT_EQ(editor.Where(), 1);
    EXPECT_EQ(editor.WhereText(), "Document");
    EXPECT_EQ(editor.Project(), 9);
    EXPECT_EQ(editor.ProjectName(), "A project with a name much longer than the choice is wide");
}

TEST_F(PopupFilterTest, EditSelectsTheSecondKindForAnyOtherValueAndTheFirstProjectForAnUnknownOne) {
    CDlgPopupFilter editor(CDlgPopupFilter::Edit, "index.html", 7, 4, projects_);
    std::string caption, text;
    int kind = -2, project = -2;
    INT_PTR result = 0;
    RunWithEditor(host_,
                  {[&](HWND dialog) {
                      caption = WindowText(dialog);
                      text = WindowText(GetDlgItem(dialog, IDC_POPUP_FILTER_TEXT));
                      kind = static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_POPUP_FILTER_WHERE), CB_GETCURSEL, 0, 0));
                      project =
                          static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_POPUP_FILTER_PROJECT), CB_GETCURSEL, 0, 0));
                      TypeInto(dialog, IDC_POPUP_FILTER_TEXT, "");
                      PressButton(dialog, IDOK);
                  }},
                  [&] { result = editor.DoModal(host_); });
    EXPECT_EQ(caption, " Edit Filter");
    EXPECT_EQ(text, "index.html");
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(project, 0);
    // No text is no filter.
    EXPECT_EQ(result, IDCANCEL);
}

// ---- Every editor ----

// The lists' files drop a text of blanks only at the next save: no editor accepts one.
TEST_F(PopupFilterTest, EveryEditorTakesATextOfBlanksOnlyAsCancelAndBlanksAroundATextAsText) {
    const std::pair<std::string, INT_PTR> cases[] = {{"   ", IDCANCEL}, {" \t \t", IDCANCEL}, {" a ", IDOK}};
    for (const auto& [typed, expected] : cases) {
        CDlgPopupProgram program(CDlgPopupProgram::Add, std::string());
        CDlgPopupProject project(CDlgPopupProject::Add, std::string());
        CDlgPopupFilter filter(CDlgPopupFilter::Add, std::string(), 0, 2, projects_);
        const std::pair<CDialogImpl*, int> editors[] = {
            {&program, IDC_POPUP_PROGRAM_PATTERN}, {&project, IDC_POPUP_PROJECT_NAME}, {&filter, IDC_POPUP_FILTER_TEXT}};
        for (const auto& [editor, edit] : editors) {
            SCOPED_TRACE("\"" + typed + "\" in editor " + std::to_string(editor->TemplateId()));
            INT_PTR result = 0;
            RunWithEditor(host_,
                          {[&, edit = edit](HWND dialog) {
                              TypeInto(dialog, edit, typed);
                              PressButton(dialog, IDOK);
                          }},
                          [&, editor = editor] { result = editor->DoModal(host_); });
            EXPECT_EQ(result, expected);
        }
    }
}

// ---- The page ----

struct StoredFilter {
    std::string text;
    std::int32_t project;
    std::int32_t where;
    bool operator==(const StoredFilter& other) const {
        return text == other.text && project == other.project && where == other.where;
    }
};

void PrintTo(const StoredFilter& filter, std::ostream* out) {
    *out << "(" << filter.text << ", " << filter.project << ", " << filter.where << ")";
}

using NamedIds = std::vector<std::pair<std::string, std::int32_t>>;

class ProjectsPageTest : public ProgramFolderTest {
protected:
    void TearDown() override {
        page_.reset();
        ProgramFolderTest::TearDown();
    }

    // Writes the user's file and creates the page, which loads it.
    void Open(const std::string& elements) {
        std::ofstream(UserFile(), std::ios::binary) << ProjectsFile(elements);
        Create();
    }

    // The page loads the file into empty lists, as at program start.
    void Create() {
        ProjectList.clear();
        FilterList.clear();
        page_ = std::make_unique<CDlgPage3Filters>();
        window_ = page_->Create(host_);
        ASSERT_TRUE(window_);
        projects_ = GetDlgItem(window_, IDC_PAGE_PROJECTS_PROJECTS);
        filters_ = GetDlgItem(window_, IDC_PAGE_PROJECTS_FILTERS);
    }

    static Texts Items(HWND list) {
        Texts items;
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            std::vector<char> text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, index, 0)) + 1);
            SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
            items.emplace_back(text.data());
        }
        return items;
    }
    Texts Projects() const { return Items(projects_); }
    Texts Filters() const { return Items(filters_); }
    int SelectedProject() const { return static_cast<int>(SendMessageA(projects_, LB_GETCURSEL, 0, 0)); }
    int SelectedFilter() const { return static_cast<int>(SendMessageA(filters_, LB_GETCURSEL, 0, 0)); }

    // The enabled controls of the button rule, in the page's order.
    std::string Enabled() const {
        const std::pair<int, const char*> controls[] = {
            {IDC_PAGE_PROJECTS_ADD_PROJECT, "AddProject"}, {IDC_PAGE_PROJECTS_DELETE_PROJECT, "DelProject"},
            {IDC_PAGE_PROJECTS_FILTERS, "Filters"},        {IDC_PAGE_PROJECTS_ADD_FILTER, "AddFilter"},
            {IDC_PAGE_PROJECTS_DELETE_FILTER, "DelFilter"}, {IDC_PAGE_PROJECTS_FILTER_DOWN, "Down"},
            {IDC_PAGE_PROJECTS_FILTER_UP, "Up"}};
        std::string enabled;
        for (const auto& control : controls) {
            if (IsWindowEnabled(GetDlgItem(window_, control.first)))
                enabled += enabled.empty() ? control.second : std::string(" ") + control.second;
        }
        return enabled;
    }

    void Click(int button) { PressButton(window_, button); }

    // As a click on an item: the list selects it and tells the page.
    void Select(HWND list, int index) {
        SendMessageA(list, LB_SETCURSEL, index, 0);
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    void SelectProject(int index) { Select(projects_, index); }
    void SelectFilter(int index) { Select(filters_, index); }

    void DoubleClick(HWND list) {
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }

    EditorRun WithEditor(std::vector<EditorStep> steps, const std::function<void()>& open) {
        return RunWithEditor(host_, std::move(steps), open);
    }
    EditorRun AddProject(const std::string& name) {
        return WithEditor({[name](HWND editor) {
                              TypeInto(editor, IDC_POPUP_PROJECT_NAME, name);
                              PressButton(editor, IDOK);
                          }},
                          [this] { Click(IDC_PAGE_PROJECTS_ADD_PROJECT); });
    }

    // What a commit stores, as (name, id) and (text, project, where).
    static NamedIds StoredProjects() {
        NamedIds stored;
        for (const ProjectItem& project : ProjectList) stored.emplace_back(project.name, project.id);
        return stored;
    }
    static std::vector<StoredFilter> StoredFilters() {
        std::vector<StoredFilter> stored;
        for (const FilterItem& filter : FilterList) stored.push_back({filter.text, filter.project, filter.where});
        return stored;
    }

    std::unique_ptr<CDlgPage3Filters> page_;
    HWND window_ = nullptr;
    HWND projects_ = nullptr;
    HWND filters_ = nullptr;
};

// ---- Fill and the button rule ----

TEST_F(ProjectsPageTest, FillShowsEveryProjectAndAFilterLineForEveryFilter) {
    Open(ProjectElement(2, "Work") + ProjectElement(7, "Home") + ProjectElement(7, "Home again") +
         FilterElement(2, 0, "abc") + FilterElement(7, 1, "index.html") + FilterElement(99, 0, "orphan") +
         FilterElement(2, 70000, "odd kind") + FilterElement(2, 0, "tab\there"));
    EXPECT_EQ(Projects(), (Texts{"Work", "Home", "Home again"}));
    EXPECT_EQ(Filters(), (Texts{Line("abc", "Work", "Application"), Line("index.html", "Home", "Document"),
                                Line("orphan", "", "Application"), Line("odd kind", "Work", "Document"),
                                // A TAB of a hand-edited text shows, and is kept, as a blank.
                                Line("tab here", "Work", "Application")}));
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(SelectedFilter(), 0);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Down");
}

TEST_F(ProjectsPageTest, WithoutProjectsOnlyAddProjectIsEnabledEvenBesideFilterLines) {
    // Filters of a project that is not in the file.
    Open(FilterElement(4, 0, "stray") + FilterElement(4, 1, "another"));
    EXPECT_TRUE(Projects().empty());
    EXPECT_EQ(Filters().size(), 2u);
    EXPECT_EQ(Enabled(), "AddProject");
    // Add filter has no project to give the filter: it opens no editor.
    const EditorRun run = WithEditor({}, [this] { Click(IDC_PAGE_PROJECTS_ADD_FILTER); });
    EXPECT_EQ(run.editorsSeen, 0);
    EXPECT_EQ(Filters().size(), 2u);

    // An empty file and no file at all: nothing but Add project.
    page_.reset();
    Open("");
    EXPECT_EQ(Enabled(), "AddProject");
    page_.reset();
    DeleteFileA(UserFile().c_str());
    Create();
    EXPECT_EQ(Enabled(), "AddProject");
    EXPECT_EQ(SelectedProject(), -1);
    EXPECT_EQ(SelectedFilter(), -1);
}

// ---- Projects: add, delete, edit ----

TEST_F(ProjectsPageTest, NewProjectsGetTwoThenThreeThenFourAfterTheThirdWasDeleted) {
    Create();  // no file
    EXPECT_EQ(AddProject("Alpha").editorsSeen, 1);
    EXPECT_EQ(Projects(), (Texts{"Alpha"}));  // at the top when nothing was selected
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter");
    AddProject("Beta");
    EXPECT_EQ(Projects(), (Texts{"Alpha", "Beta"}));
    EXPECT_EQ(SelectedProject(), 1);
    Click(IDC_PAGE_PROJECTS_DELETE_PROJECT);
    EXPECT_EQ(SelectedProject(), 0);
    AddProject("Gamma");
    EXPECT_EQ(Projects(), (Texts{"Alpha", "Gamma"}));
    page_->Commit();
    EXPECT_EQ(StoredProjects(), (NamedIds{{"Alpha", 2}, {"Gamma", 4}}));
}

TEST_F(ProjectsPageTest, ANewProjectGoesJustBelowTheSelectionWithOneAboveTheHighestIdentifier) {
    Open(ProjectElement(5, "Work") + ProjectElement(40, "Home") + ProjectElement(9, "Garden"));
    SelectProject(1);
    AddProject(LongText(300));
    EXPECT_EQ(Projects(), (Texts{"Work", "Home", LongText(254), "Garden"}));
    EXPECT_EQ(SelectedProject(), 2);
    page_->Commit();
    EXPECT_EQ(StoredProjects(), (NamedIds{{"Work", 5}, {"Home", 40}, {LongText(254), 41}, {"Garden", 9}}));

    // Past the largest identifier there is none to give: Add opens no editor.
    page_.reset();
    Open(ProjectElement(2147483647, "Last"));
    EXPECT_EQ(WithEditor({}, [this] { Click(IDC_PAGE_PROJECTS_ADD_PROJECT); }).editorsSeen, 0);
    EXPECT_EQ(Projects(), (Texts{"Last"}));
}

TEST_F(ProjectsPageTest, DeletingAProjectDeletesItsFilterLinesAndTheFilterSelectionFollows) {
    Open(ProjectElement(2, "Work") + ProjectElement(3, "Home") + ProjectElement(4, "Garden") +
         FilterElement(2, 0, "w0") + FilterElement(3, 0, "h1") + FilterElement(2, 1, "w2") + FilterElement(4, 1, "g3") +
         FilterElement(3, 0, "h4") + FilterElement(2, 0, "w5"));
    // The selected filter survives: the selection stays on it.
    SelectFilter(3);
    SelectProject(0);
    Click(IDC_PAGE_PROJECTS_DELETE_PROJECT);
    EXPECT_EQ(Projects(), (Texts{"Home", "Garden"}));
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(Filters(), (Texts{Line("h1", "Home", "Application"), Line("g3", "Garden", "Document"),
                                Line("h4", "Home", "Application")}));
    EXPECT_EQ(SelectedFilter(), 1);

    // The selected filter goes: the selection moves to the filter now at its place...
    SelectFilter(0);
    Click(IDC_PAGE_PROJECTS_DELETE_FILTER);
    EXPECT_EQ(SelectedFilter(), 0);
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    EXPECT_EQ(Filters(), (Texts{Line("h4", "Home", "Application"), Line("g3", "Garden", "Document")}));
    // ...or to the last one, the old place being past the end.
    SelectProject(1);
    Click(IDC_PAGE_PROJECTS_DELETE_PROJECT);
    EXPECT_EQ(Projects(), (Texts{"Home"}));
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(Filters(), (Texts{Line("h4", "Home", "Application")}));
    EXPECT_EQ(SelectedFilter(), 0);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter");

    // The last project: the filters list and its buttons go off.
    Click(IDC_PAGE_PROJECTS_DELETE_PROJECT);
    EXPECT_TRUE(Projects().empty());
    EXPECT_TRUE(Filters().empty());
    EXPECT_EQ(SelectedProject(), -1);
    EXPECT_EQ(SelectedFilter(), -1);
    EXPECT_EQ(Enabled(), "AddProject");
    page_->Commit();
    EXPECT_TRUE(ProjectList.empty());
    EXPECT_TRUE(FilterList.empty());
    EXPECT_EQ(ReadWholeFile(UserFile()), Declaration(NarrowCodePage()) + "<List/>");
}

TEST_F(ProjectsPageTest, ACommitWhoseSaveFailsKeepsTheChangeForTheNextCommit) {
    Open(ProjectElement(2, "Work") + FilterElement(2, 0, "abc"));
    const std::string before = ReadWholeFile(UserFile());
    SetFileAttributesA(UserFile().c_str(), FILE_ATTRIBUTE_READONLY);
    Click(IDC_PAGE_PROJECTS_DELETE_FILTER);
    page_->Commit();
    EXPECT_EQ(ReadWholeFile(UserFile()), before);
    SetFileAttributesA(UserFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    page_->Commit();
    EXPECT_EQ(ReadWholeFile(UserFile()), ProjectsFile(ProjectElement(2, "Work"), NarrowCodePage()));
}

TEST_F(ProjectsPageTest, ARenamedProjectKeepsItsOldNameInFilterLinesUntilTheCommit) {
    Open(ProjectElement(2, "Work") + ProjectElement(3, "Home") + FilterElement(2, 0, "abc") + FilterElement(3, 1, "def"));
    std::string initial;
    const EditorRun rename = WithEditor({[&](HWND editor) {
                                            initial = WindowText(GetDlgItem(editor, IDC_POPUP_PROJECT_NAME));
                                            TypeInto(editor, IDC_POPUP_PROJECT_NAME, "Job");
                                            PressButton(editor, IDOK);
                                        }},
                                        [this] { DoubleClick(projects_); });
    EXPECT_EQ(rename.editorsSeen, 1);
    EXPECT_EQ(initial, "Work");
    EXPECT_EQ(Projects(), (Texts{"Job", "Home"}));
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(Filters(), (Texts{Line("abc", "Work", "Application"), Line("def", "Home", "Document")}));

    // A new filter offers the new name, preselects the selected project and shows the new name.
    Texts offered;
    int preselected = -1;
    WithEditor({[&](HWND editor) {
                   HWND choice = GetDlgItem(editor, IDC_POPUP_FILTER_PROJECT);
                   for (int index = 0; index < SendMessageA(choice, CB_GETCOUNT, 0, 0); ++index) {
                       char text[256] = "";
                       SendMessageA(choice, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
                       offered.push_back(text);
                   }
                   preselected = static_cast<int>(SendMessageA(choice, CB_GETCURSEL, 0, 0));
                   TypeInto(editor, IDC_POPUP_FILTER_TEXT, "ghi");
                   PressButton(editor, IDOK);
               }},
               [this] { Click(IDC_PAGE_PROJECTS_ADD_FILTER); });
    EXPECT_EQ(offered, (Texts{"Job", "Home"}));
    EXPECT_EQ(preselected, 0);
    EXPECT_EQ(Filters(), (Texts{Line("abc", "Work", "Application"), Line("ghi", "Job", "Application"),
                                Line("def", "Home", "Document")}));

    // The stored data was right all along: the filters refer to the identifier. After the
    // commit every line shows the new name, the selection where it was.
    page_->Commit();
    EXPECT_EQ(StoredProjects(), (NamedIds{{"Job", 2}, {"Home", 3}}));
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"abc", 2, 0}, {"ghi", 2, 0}, {"def", 3, 1}}));
    EXPECT_EQ(Filters(), (Texts{Line("abc", "Job", "Application"), Line("ghi", "Job", "Application"),
                                Line("def", "Home", "Document")}));
    EXPECT_EQ(SelectedFilter(), 1);
    // The lines kept their projects and kinds: moved and committed, they store as before.
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    page_->Commit();
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"abc", 2, 0}, {"def", 3, 1}, {"ghi", 2, 0}}));
}

// A long text, a long project name and both kinds: each line shows its three parts, each cut
// at its own column's edge, the kind whole.
TEST_F(ProjectsPageTest, EachFilterLineShowsItsTextProjectAndKindInColumnsOfTheirOwn) {
    Open(ProjectElement(2, "Work") + ProjectElement(3, "A project with a name far longer than its column") +
         FilterElement(2, 0, LongText(120)) + FilterElement(3, 1, "abc") + FilterElement(3, 0, LongText(60)) +
         FilterElement(2, 1, "x"));
    const FilterColumns columns = page_->Columns();
    RECT client;
    GetClientRect(filters_, &client);
    ASSERT_TRUE(0 < columns.project && columns.project < columns.kind && columns.kind < client.right);

    const COLORREF window = GetSysColor(COLOR_WINDOW);
    Canvas list(client.right, client.bottom, window);
    SendMessageA(filters_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(list.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    // The kinds as the list's font draws them alone.
    Canvas alone(client.right, 40, window);
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(filters_, WM_GETFONT, 0, 0));
    HGDIOBJ previousFont = SelectObject(alone.dc(), font);
    SetBkMode(alone.dc(), TRANSPARENT);
    SetTextColor(alone.dc(), GetSysColor(COLOR_WINDOWTEXT));
    RECT application{0, 0, client.right, 20}, document{0, 20, client.right, 40};
    DrawTextA(alone.dc(), "Application", -1, &application, DT_SINGLELINE | DT_NOPREFIX);
    DrawTextA(alone.dc(), "Document", -1, &document, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(alone.dc(), previousFont);

    auto ink = [](const Canvas& canvas, COLORREF background, int left, int right, int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += canvas.Pixel(x, y) != background;
        return count;
    };
    const int margin = GetSystemMetrics(SM_CXEDGE);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        RECT line;
        SendMessageA(filters_, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&line));
        const COLORREF background = row == SelectedFilter() ? GetSysColor(COLOR_HIGHLIGHT) : window;
        auto inkOf = [&](int left, int right) { return ink(list, background, left, right, line.top, line.bottom); };
        EXPECT_GT(inkOf(0, columns.project), 0);
        EXPECT_GT(inkOf(columns.project, columns.kind), 0);
        EXPECT_GT(inkOf(columns.kind, client.right), 0);
        // Nothing runs over a column's edge.
        EXPECT_EQ(inkOf(columns.project - margin, columns.project), 0);
        EXPECT_EQ(inkOf(columns.kind - margin, columns.kind), 0);
        if (row != SelectedFilter()) {
            const RECT& kind = row % 2 == 0 ? application : document;
            EXPECT_EQ(inkOf(columns.kind, client.right), ink(alone, window, 0, client.right, kind.top, kind.bottom));
        }
    }
}

// ---- Filters: add, edit, move ----

TEST_F(ProjectsPageTest, ANewFilterGoesJustBelowTheSelectedFilterAsTextTabProjectTabKind) {
    Open(ProjectElement(2, "Home") + ProjectElement(3, "Work") + FilterElement(2, 0, "f0") + FilterElement(2, 0, "f1") +
         FilterElement(2, 0, "f2"));
    SelectProject(1);
    SelectFilter(1);
    WithEditor({[](HWND editor) {
                   TypeInto(editor, IDC_POPUP_FILTER_TEXT, "abc");
                   PressButton(editor, IDOK);
               }},
               [this] { Click(IDC_PAGE_PROJECTS_ADD_FILTER); });
    ASSERT_EQ(Filters().size(), 4u);
    EXPECT_EQ(Filters()[2], std::string("abc\tWork\tApplication"));
    EXPECT_EQ(SelectedFilter(), 2);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Down Up");
    page_->Commit();
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"f0", 2, 0}, {"f1", 2, 0}, {"abc", 3, 0}, {"f2", 2, 0}}));
}

TEST_F(ProjectsPageTest, EditingAFilterOfTheSecondKindReplacesItsLineInPlace) {
    Open(ProjectElement(2, "Work") + ProjectElement(3, "Home") + FilterElement(2, 0, "f0") +
         FilterElement(3, 1, "index.html") + FilterElement(2, 0, "f2"));
    SelectFilter(1);
    std::string text;
    int kind = -1, project = -1;
    WithEditor({[&](HWND editor) {
                   text = WindowText(GetDlgItem(editor, IDC_POPUP_FILTER_TEXT));
                   HWND where = GetDlgItem(editor, IDC_POPUP_FILTER_WHERE);
                   HWND choice = GetDlgItem(editor, IDC_POPUP_FILTER_PROJECT);
                   kind = static_cast<int>(SendMessageA(where, CB_GETCURSEL, 0, 0));
                   project = static_cast<int>(SendMessageA(choice, CB_GETCURSEL, 0, 0));
                   TypeInto(editor, IDC_POPUP_FILTER_TEXT, "main.cpp");
                   SendMessageA(where, CB_SETCURSEL, 0, 0);
                   SendMessageA(choice, CB_SETCURSEL, 0, 0);
                   PressButton(editor, IDOK);
               }},
               [this] { DoubleClick(filters_); });
    EXPECT_EQ(text, "index.html");  // the line up to its first TAB
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(project, 1);
    EXPECT_EQ(Filters(), (Texts{Line("f0", "Work", "Application"), Line("main.cpp", "Work", "Application"),
                                Line("f2", "Work", "Application")}));
    EXPECT_EQ(SelectedFilter(), 1);
    page_->Commit();
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"f0", 2, 0}, {"main.cpp", 2, 0}, {"f2", 2, 0}}));
}

TEST_F(ProjectsPageTest, EditingAFilterOfAnUnknownProjectAssignsItTheFirstProject) {
    Open(ProjectElement(6, "Work") + ProjectElement(3, "Home") + FilterElement(99, 1, "orphan"));
    EXPECT_EQ(Filters(), (Texts{Line("orphan", "", "Document")}));
    int project = -1;
    WithEditor({[&](HWND editor) {
                   project = static_cast<int>(
                       SendMessageA(GetDlgItem(editor, IDC_POPUP_FILTER_PROJECT), CB_GETCURSEL, 0, 0));
                   PressButton(editor, IDOK);
               }},
               [this] { DoubleClick(filters_); });
    EXPECT_EQ(project, 0);
    EXPECT_EQ(Filters(), (Texts{Line("orphan", "Work", "Document")}));
    page_->Commit();
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"orphan", 6, 1}}));
}

TEST_F(ProjectsPageTest, CancelOrAnEmptyTextChangesNothing) {
    const std::string elements = ProjectElement(2, "Work") + FilterElement(2, 1, "abc");
    Open(elements);
    WithEditor({[](HWND editor) {
                   TypeInto(editor, IDC_POPUP_PROJECT_NAME, "typed, then cancelled");
                   PressButton(editor, IDCANCEL);
               }},
               [this] { Click(IDC_PAGE_PROJECTS_ADD_PROJECT); });
    WithEditor({[](HWND editor) {
                   TypeInto(editor, IDC_POPUP_FILTER_TEXT, "");
                   PressButton(editor, IDOK);
               }},
               [this] { DoubleClick(filters_); });
    EXPECT_EQ(Projects(), (Texts{"Work"}));
    EXPECT_EQ(Filters(), (Texts{Line("abc", "Work", "Document")}));
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(SelectedFilter(), 0);
    // Still unmodified: a commit writes nothing.
    DeleteFileA(UserFile().c_str());
    page_->Commit();
    EXPECT_FALSE(FileExists(UserFile()));
}

TEST_F(ProjectsPageTest, UpAndDownMoveTheSelectedFilterWithItsProjectAndKindAndTheButtonsFollow) {
    Open(ProjectElement(2, "Work") + ProjectElement(3, "Home") + FilterElement(2, 0, "a") + FilterElement(3, 1, "b") +
         FilterElement(2, 1, "c"));
    Click(IDC_PAGE_PROJECTS_FILTER_UP);  // on the first: nothing
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    EXPECT_EQ(SelectedFilter(), 1);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Down Up");
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    EXPECT_EQ(SelectedFilter(), 2);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Up");
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);  // on the last: nothing
    SelectFilter(1);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Down Up");
    Click(IDC_PAGE_PROJECTS_FILTER_UP);
    EXPECT_EQ(Filters(), (Texts{Line("c", "Work", "Document"), Line("b", "Home", "Document"),
                                Line("a", "Work", "Application")}));
    EXPECT_EQ(SelectedFilter(), 0);
    EXPECT_EQ(Enabled(), "AddProject DelProject Filters AddFilter DelFilter Down");
    page_->Commit();
    EXPECT_EQ(StoredFilters(), (std::vector<StoredFilter>{{"c", 2, 1}, {"b", 3, 1}, {"a", 2, 0}}));
}

// ---- Commit and Revert through the options dialog's OK and Cancel ----

class ProjectsPageInOptionsDialogTest : public ProjectsPageTest {
protected:
    void TearDown() override {
        if (dialog_ && dialog_->hwnd()) RemoveTrayIcon(dialog_->hwnd());
        dialog_.reset();
        ProjectsPageTest::TearDown();
    }

    void OpenDialog(const std::string& elements) {
        std::ofstream(UserFile(), std::ios::binary) << ProjectsFile(elements);
        dialog_ = std::make_unique<CDlgMain>("Ostrak.ProjectsPageTest");
        main_ = dialog_->Create(nullptr);
        ASSERT_TRUE(main_);
        HWND container = GetDlgItem(main_, IDC_MAIN_PAGES);
        for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (dynamic_cast<CDlgPage3Filters*>(CWindowBase::FromHandle(child))) window_ = child;
        }
        ASSERT_TRUE(window_);
        projects_ = GetDlgItem(window_, IDC_PAGE_PROJECTS_PROJECTS);
        filters_ = GetDlgItem(window_, IDC_PAGE_PROJECTS_FILTERS);
    }

    std::unique_ptr<CDlgMain> dialog_;
    HWND main_ = nullptr;
};

TEST_F(ProjectsPageInOptionsDialogTest, OkWritesOnlyAChangeAndCancelShowsTheStoredListsAgain) {
    // Values only a hand-edited file holds pass the page unchanged.
    const std::string elements = ProjectElement(70000, "Big") + ProjectElement(-5, "Negative") +
                                 ProjectElement(2, "Work") + FilterElement(70000, 70000, "big kind") +
                                 FilterElement(-5, -1, "negative kind") + FilterElement(2, 0, "abc") +
                                 FilterElement(2, 1, "tab\tinside");
    OpenDialog(elements);
    // Read at the page's creation; from now on only a commit writes it.
    DeleteFileA(UserFile().c_str());
    EXPECT_EQ(Filters(), (Texts{Line("big kind", "Big", "Document"), Line("negative kind", "Negative", "Document"),
                                Line("abc", "Work", "Application"), Line("tab inside", "Work", "Document")}));
    // Translated with the dialog.
    EXPECT_EQ(WindowText(GetDlgItem(window_, IDC_PAGE_PROJECTS_DELETE_PROJECT)), "Delete");

    ShowWindow(main_, SW_SHOW);
    SendMessageA(main_, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(FileExists(UserFile()));

    // Cancel after changes: the lists come back from the stored ones, unmodified.
    ShowWindow(main_, SW_SHOW);
    SelectProject(2);
    Click(IDC_PAGE_PROJECTS_DELETE_PROJECT);
    SelectFilter(0);
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    SendMessageA(main_, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(main_));
    EXPECT_EQ(Projects(), (Texts{"Big", "Negative", "Work"}));
    EXPECT_EQ(Filters().size(), 4u);
    EXPECT_EQ(SelectedProject(), 0);
    EXPECT_EQ(SelectedFilter(), 0);
    SendMessageA(main_, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(FileExists(UserFile()));

    // OK after a move writes both lists, every value as it was.
    Click(IDC_PAGE_PROJECTS_FILTER_DOWN);
    SendMessageA(main_, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ReadWholeFile(UserFile()),
              ProjectsFile(ProjectElement(70000, "Big") + ProjectElement(-5, "Negative") + ProjectElement(2, "Work") +
                           FilterElement(-5, -1, "negative kind") + FilterElement(70000, 70000, "big kind") +
                           FilterElement(2, 0, "abc") + FilterElement(2, 1, "tab inside"),
                           NarrowCodePage()));
    EXPECT_EQ(StoredProjects(), (NamedIds{{"Big", 70000}, {"Negative", -5}, {"Work", 2}}));
    // The lists are not refilled: the moved filter stays selected.
    EXPECT_EQ(SelectedFilter(), 1);
}

}  // namespace
