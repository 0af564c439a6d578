// The main window: the options dialog, and the window that owns the tray icon, receives the
// tray menu's commands and hears about logoff, shutdown and sleep.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/dialog_container.h"
#include "ui/controls/image_list_box.h"
#include "ui/options/page1_general.h"
#include "ui/options/page2_programs.h"
#include "ui/options/page3_filters.h"
#include "winui/dialog.h"
#include "winui/hyperlink.h"
#include "winui/message_loop.h"
#include "winui/scoped_handles.h"

class CDlgMain : public CDialogImpl, public CMessageFilter, public CIdleHandler {
public:
    // `instanceName` marks the window so that a second start can find it.
    explicit CDlgMain(std::string instanceName);
    ~CDlgMain() override;

    bool PreTranslateMessage(MSG* message) override;
    void OnIdle() override;

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnDestroy(WindowMessage& message);
    LRESULT OnSysCommand(WindowMessage& message);
    LRESULT OnTrayNotify(WindowMessage& message);
    LRESULT OnTaskbarCreated(WindowMessage& message);
    LRESULT OnTimer(WindowMessage& message);
    LRESULT OnShow(WindowMessage& message);
    LRESULT OnExit(WindowMessage& message);
    LRESULT OnQueryEndSession(WindowMessage& message);
    LRESULT OnEndSession(WindowMessage& message);
    LRESULT OnPowerBroadcast(WindowMessage& message);

    void CenterOnWorkArea();
    void SetWindowIcons();

    // The options side (ui/options/options_dialog.cpp).
    void SetUpOptions();
    void BuildPageSelector();
    void BuildPages();
    void ComposeCaption();
    LRESULT OnSelectorChange(WindowMessage& message);
    LRESULT OnOk(WindowMessage& message);
    LRESULT OnCancel(WindowMessage& message);
    LRESULT OnReportLink(WindowMessage& message);
    LRESULT OnHelpLink(WindowMessage& message);
    LRESULT OnReport(WindowMessage& message);

    ScopedImageList PageImages;
    CImageListBoxCtrl selector_;
    CDlgContainerCtrl container_;
    CHyperLink reportLink_;
    CHyperLink helpLink_;
    CDlgPage1General generalPage_;
    CDlgPage2Programs programsPage_;
    CDlgPage3Filters filtersPage_;

    std::string instanceName_;
    ATOM instanceAtom_ = 0;
    int trayRetriesLeft_ = 0;
    ScopedIcon largeIcon_;
    ScopedIcon smallIcon_;
};

// The one main dialog while the loop runs, or null.
extern CDlgMain* MainDialog;

// Shows the main dialog and brings it to the front.
void ShowMainDialog();
void HideMainDialog();
