// The update sequence that runs at every start on the environment check's worker thread, as a
// small state machine: bring the update launcher up to date, ask the update-check component, then
// either hand over to the launcher (the start ends) or run the outside updater to its end (the
// start goes on).
//
// Threads: the sequence runs on the worker thread and never touches the window. The check's
// outcome reaches the window only through the shell command (see CheckForUpdate); what else the
// two share is the SequenceLink below.
#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "update/UpdateSteps.h"

namespace corvane::update {

// What the sequence shares with the environment check window; each item has one writer. The
// window owns the items and outlives the sequence.
struct SequenceLink {
    // The current step code (kStep*), drawn by the window's timer; written only by the sequence.
    std::atomic<int>& i_type;
    // Set by the window's handler of shell command code 1; the sequence only reads it, while it
    // waits for an outcome that it could not hand over itself.
    const std::atomic<bool>& b_update_end;
    // Asks the window to close; called on the worker thread, once, when the sequence ends.
    std::function<void()> requestClose;
};

class UpdateSequence {
  public:
    enum class State {
        ReplaceLauncher,  // put a waiting launcher copy in place
        CheckVersion,     // ask the component and hand its outcome over
        AwaitOutcome,     // the hand-over failed: up to 61 pauses for an outcome from elsewhere
        RunUpdater,       // run the outside updater to its end
        GoOn,             // final: start-up goes on to the main window
        Stopped,          // final: the program was asked to end
    };

    // context outlives the sequence.
    UpdateSequence(SequenceLink link, const UpdateContext& context)
        : link_(std::move(link)), context_(context) {}

    // Runs from the first state to a final one. Asks the window to close in every path; never
    // throws (a failure is reported as an error diagnostic and start-up does not go on).
    void Run();

  private:
    // Does the state's work and returns the state that follows.
    State Enter(State state);
    State AwaitOutcome();
    State AfterOutcome() const;

    SequenceLink link_;
    const UpdateContext& context_;
};

// The body of the environment check's worker thread: UpdateSequence(link, context).Run().
void RunUpdateSequence(SequenceLink link, const UpdateContext& context);

}  // namespace corvane::update
