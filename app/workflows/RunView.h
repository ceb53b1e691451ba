// What a long run shows while it goes: the main window's bar with
// "Abbrechen" in its status bar, or the small window of an extraction
// started from the file manager. The workflows drive it and never touch a
// widget themselves, so they run, and are tested, without a main window.
#pragma once

#include <functional>

namespace valbrix {

class TRunView {
public:
    virtual ~TRunView() = default;
    // The run begins: a bar at 0, and `cancel` behind "Abbrechen" (and Escape).
    virtual void RunStarted(const std::function<void()>& cancel) = 0;
    // The run's per cent; called often. It only shows: the run dispatches events.
    virtual void RunProgress(int percent) = 0;
    // A take-back is not to be stopped halfway: its "Abbrechen" is greyed.
    virtual void SetCancelEnabled(bool enabled) = 0;
    // The run is over: bar and button go before any box of its end.
    virtual void RunOver() = 0;
    // The user closed the view during the run: it ends without boxes.
    virtual bool CloseRequested() const = 0;
    // Work outside the extractor (a take-back) starts or ends.
    virtual void BusyChanged(bool busy) { (void)busy; }
};

}  // namespace valbrix
