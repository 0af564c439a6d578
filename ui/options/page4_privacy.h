// The Privacy page: the private patterns, whether window titles give document names, and a line
// on what is never recorded.
#pragma once

#include "ui/options/pattern_list_page.h"

class CDlgPage4Privacy : public CPatternListPage {
public:
    CDlgPage4Privacy();

    // Stores a changed "Record document names" box, then the private patterns when they changed;
    // the outcome is that of the patterns' file.
    std::optional<SaveResult> Commit() override;
    // Shows the stored box and patterns again.
    void Revert() override;
    // Whether titles give document names, as the last load or commit left it.
    bool RecordDocuments() const { return loadedRecordDocuments_; }

protected:
    void SetUpMore() override;

private:
    void LoadRecordDocuments();

    bool loadedRecordDocuments_ = true;
};
