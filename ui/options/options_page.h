// What every page of the options dialog offers the dialog: a modeless child dialog that
// stores what the user changed on OK and shows the stored data again on Cancel.
#pragma once

#include "winui/dialog.h"

class COptionsPage : public CDialogImpl {
public:
    using CDialogImpl::CDialogImpl;

    // Stores what the page changed; nothing when it changed nothing.
    virtual void Commit() = 0;
    // Shows the stored data again.
    virtual void Revert() = 0;
};
