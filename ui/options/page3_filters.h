// The Projects page: the user's projects and the filters that assign time to them.
#pragma once

#include "ui/options/options_page.h"

class CDlgPage3Filters : public COptionsPage {
public:
    CDlgPage3Filters();

    void Commit() override;
    void Revert() override;

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
};
