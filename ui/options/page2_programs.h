// The Applications page: the ordered list of title patterns.
#pragma once

#include "ui/options/options_page.h"

class CDlgPage2Programs : public COptionsPage {
public:
    CDlgPage2Programs();

    void Commit() override;
    void Revert() override;

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
};
