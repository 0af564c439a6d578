// The Applications page: the ordered list of title patterns that name applications.
#pragma once

#include <string>
#include <vector>

#include "ui/options/pattern_list_page.h"

class CDlgPage2Programs : public CPatternListPage {
public:
    CDlgPage2Programs();

    // Shows shipped patterns just added to ProgramList: the whole list when the page is
    // unchanged, else the same patterns placed among the page's edits, for OK to save.
    void ShowAddedPatterns(const std::vector<std::string>& shared, const std::vector<std::string>& added);
};
