// The notification-area icon of the main window, its menu, and what it tells about saving.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/save_result.h"
#include "tracking/sampler.h"
#include "tracking/take_back.h"
#include "tracking/tracker.h"

// The icon's mouse events reach the main window as this message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
constexpr UINT TrayIconId = 1000;

// Adds the icon (an icon resource) with this tip; false when the shell did not take it (at
// logon it may not be ready yet). A longer tip is cut to the 127 characters the record holds.
bool AddTrayIcon(HWND owner, int iconId, const std::string& tip);
void RemoveTrayIcon(HWND owner);
// Changes the picture and the tip of the icon.
void SetTrayIcon(HWND owner, int iconId, const std::string& tip);
enum class BalloonIcon { Warning, Information };
// A balloon at the icon under the product name, which the shell shows for a while; false when
// the shell did not take it.
bool ShowTrayBalloon(HWND owner, const std::string& text, BalloonIcon icon);
// The balloon's text for an away offer: "Tray/AwayOffer" (or "Tray/AwayOfferNoDocument") with
// {start}, {end}, {minutes}, {document} and {application} filled in.
std::string AwayOfferText(const AwayOffer& offer);
// The balloon's text that offers shipped patterns: "Tray/PatternsOffer" with {count} filled in.
std::string PatternsOfferText(std::size_t count);
// The question before Forget: "Tray/ForgetMinutes", "Tray/ForgetHour" or "Tray/ForgetToday" with
// {start} and {end} filled in.
std::string ForgetConfirmText(ForgetSpan span, std::int64_t fromUtc, std::int64_t toUtc);
// The question before an absence is counted as work, filled in as the away offer's balloon is.
std::string CountAbsenceText(const LastAbsence& absence);
// What the user is told after Forget or Count the last absence as work; empty when it was done.
std::string TakeBackOutcomeText(const TakeBackResult& result, bool forget);
// Shows the tray menu at the mouse and returns when it has closed; a chosen item reaches the
// owner as WM_COMMAND. Pause is offered while recording, Resume while paused.
void ShowTrayMenu(HWND owner);
// The message the shell broadcasts when its notification area has been created anew.
UINT TaskbarCreatedMessage();

// The list files whose saves the options dialog's OK reports at the icon.
enum class SavedFile { ProgramList, ProjectList, PrivateList, Count };

// What the icon tells: the most serious of the tracker's troubles that hold, else a list file
// whose last save failed ("Common/SaveFailed", the folder and the reason), else the program
// icon and the product name. Each trouble, and each list's run of failures, is owed one
// balloon when it begins.
class TrayStatus {
public:
    // Takes the troubles that hold now; those that began since the last report, the most
    // serious last.
    std::vector<TrackerTrouble> Update(const TrackerTroubles& troubles);
    // Records the outcome of a list's save; true when it begins a run of failures.
    bool RecordSave(SavedFile file, SaveResult result);
    // A pause of recording under way, to the end given (PausedUntilResumed: until the user
    // resumes). It shows only while no trouble and no failed save does: those keep what is
    // recorded or edited from its file, while a pause is the user's own choice.
    void SetPause(bool paused, std::int64_t untilUtc);
    int IconId() const;
    std::string Tip() const;
    // What the tip and the balloon say of a trouble.
    std::string TroubleText(TrackerTrouble trouble) const;
    static std::string SaveFailureText(SaveFailure failure);

private:
    TrackerTroubles troubles_;
    SaveFailure lists_[static_cast<int>(SavedFile::Count)] = {};
    bool paused_ = false;
    std::int64_t pausedUntil_ = 0;
};
