// What every page of the options dialog offers the dialog: a modeless child dialog that
// stores what the user changed on OK and shows the stored data again on Cancel.
#pragma once

#include <optional>

#include "files/save_result.h"
#include "winui/dialog.h"

class COptionsPage : public CDialogImpl {
public:
    using CDialogImpl::CDialogImpl;

    // Stores what the page changed; nothing when it changed nothing. Gives the outcome of
    // the file it saved, or none when it saved no file.
    virtual std::optional<SaveResult> Commit() = 0;
    // Shows the stored data again.
    virtual void Revert() = 0;
};
