// The Projects page: the user's projects and the filters that assign time to them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/options/options_page.h"

// Where the project and the kind columns of the filter lines begin, in the filters list's
// client pixels; the filter text starts at 0, the kind column ends at the list's right edge.
struct FilterColumns {
    int project = 0;
    int kind = 0;
};

class CDlgPage3Filters : public COptionsPage {
public:
    CDlgPage3Filters();

    // Stores both lists when the page changed, and shows the projects' names as they now are
    // in the filter lines; the result of the save, when there was one.
    std::optional<SaveResult> Commit() override;
    void Revert() override;
    // Shows the list as it is now, dropping what the page changed.
    void Reload();

    const FilterColumns& Columns() const { return columns_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnProjectSelectionChange(WindowMessage& message);
    LRESULT OnProjectDoubleClick(WindowMessage& message);
    LRESULT OnFilterSelectionChange(WindowMessage& message);
    LRESULT OnFilterDoubleClick(WindowMessage& message);
    LRESULT OnAddProject(WindowMessage& message);
    LRESULT OnDeleteProject(WindowMessage& message);
    LRESULT OnAddFilter(WindowMessage& message);
    LRESULT OnDeleteFilter(WindowMessage& message);
    LRESULT OnFilterDown(WindowMessage& message);
    LRESULT OnFilterUp(WindowMessage& message);
    LRESULT OnDrawItem(WindowMessage& message);

    void LayOutFilterColumns();
    void DrawFilterLine(const DRAWITEMSTRUCT& item) const;
    void RenameInFilterLines();
    void Fill();
    void SetButtons();
    void MoveFilter(int step);
    // Puts a filter line with its item data at `index` and selects it.
    void InsertFilter(int index, const std::string& line, LPARAM data);
    std::string ProjectName(std::int32_t project) const;

    HWND projects_ = nullptr;
    HWND filters_ = nullptr;
    FilterColumns columns_;
    int projectCount_ = 0;
    int projectIndex_ = -1;  // the selected project, -1 when there is none
    // The highest project identifier the page has held since it was last filled: a new
    // project gets the next one.
    std::int32_t highestProject_ = 1;
    int filterCount_ = 0;
    int filterIndex_ = -1;  // the selected filter, -1 when there is none
    bool modified_ = false;
};
