// The main window: the options dialog, and the window that owns the tray icon, receives the
// tray menu's commands and hears about logoff, shutdown, sleep and the session's lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/tray.h"
#include "base/scoped_handles_win.h"
#include "ui/options/options_panel.h"
#include "winui/dialog.h"
#include "winui/message_loop.h"

class CDlgMain : public CDialogImpl, public CMessageFilter, public CIdleHandler {
public:
    // `instanceName` marks the window so that a second start can find it.
    explicit CDlgMain(std::string instanceName);
    ~CDlgMain() override;

    bool PreTranslateMessage(MSG* message) override;
    void OnIdle() override;

    // Shows the outcome of a list's save at the tray icon: a failure in its tip, with a balloon
    // when a run of failures begins; the first success ends it.
    void ReportSave(SavedFile file, SaveResult result);
    // Shows the most serious of the tracker's troubles at the tray icon, with a balloon for
    // each that begins.
    void ShowTroubles(const TrackerTroubles& troubles);
    const TrayStatus& Tray() const { return trayStatus_; }
    // Shows the balloon that offers an away stretch as work; the shell's answer, or the lack
    // of one within a minute, settles it.
    void OfferAwayTime(const AwayOffer& offer);
    // Offers, in a balloon, the shipped patterns that the user's own list lacks and that were
    // not offered before; a click adds them. Every shipped pattern then counts as offered.
    void OfferSharedPatterns();
    // A timed pause has ended by itself: it is no longer stored, and the icon is itself again.
    void PauseEnded();

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
    LRESULT OnSessionChange(WindowMessage& message);
    // Forget and Count the last absence as work: greyed when there is nothing they could do,
    // and done only after the user's yes.
    LRESULT OnInitMenuPopup(WindowMessage& message);
    LRESULT OnForget(WindowMessage& message);
    LRESULT OnCountAbsence(WindowMessage& message);
    // An absence shorter than this is no absence to count as work: the idle time, or a minute.
    std::int64_t ShortestAbsence() const;
    // Asks the user; true for yes.
    bool AskYes(const std::string& question);
    void Tell(const std::string& text);
    LRESULT OnPause(WindowMessage& message);
    LRESULT OnResume(WindowMessage& message);

    // The shared folder's worker finished a copy: its outcome shows at the icon.
    LRESULT OnSharedCopyDone(WindowMessage& message);
    LRESULT OnSelectorChange(WindowMessage& message);
    LRESULT OnOk(WindowMessage& message);
    LRESULT OnCancel(WindowMessage& message);
    LRESULT OnReport(WindowMessage& message);
    LRESULT OnHelp(WindowMessage& message);

    // Settles the offer waiting for the balloon's answer, if any.
    void AnswerAwayOffer(bool asWork);
    // The offer's balloon is gone or never came: it stays idle, answered from the message loop
    // rather than from inside the sampler's call that may have led here.
    void DropAwayBalloon();
    // Adds the offered patterns to the list, saves it and shows it on the page.
    void AddOfferedPatterns();
    void DropPatternsBalloon();

    // Brings the icon's picture and tip up to date with the status.
    void RefreshTrayIcon();
    // The pause, or its end, at the icon.
    void ShowPause();
    void ShowWarningBalloon(const std::string& text);

    void CenterOnWorkArea();
    void SetWindowIcons();

    // Selector, pages and links: the options dialog proper.
    COptionsPanel options_;

    std::string instanceName_;
    ATOM instanceAtom_ = 0;
    int trayRetriesLeft_ = 0;
    bool sessionNotifications_ = false;
    TrayStatus trayStatus_;
    int shownIconId_ = 0;
    std::string shownTip_;
    // An offer's balloon: asked for, said by the shell to be showing (only then does a click
    // or a close speak for it), or gone. At most one offer's balloon is asked for or shown.
    enum class OfferBalloon { Asked, Shown, Gone };
    // The away offer waiting for an answer (0 none).
    std::uint64_t awayOffer_ = 0;
    AwayOffer offered_;
    // While a Forget or Count asks or works, a second one from the menu waits its turn.
    bool takingBack_ = false;
    OfferBalloon awayBalloon_ = OfferBalloon::Gone;
    // The shipped patterns offered, with the shared list that places them.
    std::vector<std::string> offeredPatterns_;
    std::vector<std::string> offeredShared_;
    OfferBalloon patternsBalloon_ = OfferBalloon::Gone;
    ScopedIcon largeIcon_;
    ScopedIcon smallIcon_;
};

// The one main dialog while the loop runs, or null.
extern CDlgMain* MainDialog;

// Set by the options dialog's OK when the language changed: start anew after shutdown.
extern bool RestartAfterExit;

// The Exit command: the main dialog goes and the loop ends with code 1.
void ExitProgram();

// Shows the main dialog and brings it to the front.
void ShowMainDialog();
void HideMainDialog();
