#include "update/UpdateSequence.h"

#include <QString>
#include <chrono>
#include <exception>

#include "log/Diagnostic.h"
#include "update/StepCodes.h"
#include "update/UpdateFlags.h"
#include "update/UpdateSteps.h"

namespace corvane::update {

namespace {

// At most this many pauses of one second are made while waiting for an outcome that the sequence
// could not hand over itself.
constexpr int kOutcomeWaitPauses = 61;
constexpr std::chrono::milliseconds kOutcomePause{1000};

// Asks the window to close when the sequence is left, by any path.
class CloseWindowAtEnd {
  public:
    explicit CloseWindowAtEnd(const std::function<void()>& requestClose)
        : requestClose_(requestClose) {}
    ~CloseWindowAtEnd() { requestClose_(); }
    CloseWindowAtEnd(const CloseWindowAtEnd&) = delete;
    CloseWindowAtEnd& operator=(const CloseWindowAtEnd&) = delete;

  private:
    const std::function<void()>& requestClose_;
};

bool IsFinal(UpdateSequence::State state) {
    return state == UpdateSequence::State::GoOn || state == UpdateSequence::State::Stopped;
}

}  // namespace

void UpdateSequence::Run() {
    CloseWindowAtEnd closeAtEnd(link_.requestClose);
    try {
        TerminateFlag() = false;
        GoOnFlag() = false;
        State state = State::ReplaceLauncher;
        while (!IsFinal(state)) state = Enter(state);
        if (state == State::GoOn) GoOnFlag() = true;
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + QString::fromLocal8Bit(e.what()));
    }
}

UpdateSequence::State UpdateSequence::Enter(State state) {
    switch (state) {
        case State::ReplaceLauncher:
            ReplaceLauncher(context_.settings);
            link_.i_type = kStepCheckVersion;
            return UpdateCheckSwitch() ? State::CheckVersion : State::RunUpdater;
        case State::CheckVersion:
            // A handed-over outcome has been handled by the time the blocking send returns.
            return CheckForUpdate(context_) ? AfterOutcome() : State::AwaitOutcome;
        case State::AwaitOutcome:
            return AwaitOutcome();
        case State::RunUpdater:
            link_.i_type = kStepUpdateDatabase;
            RunOutsideUpdater(context_);
            link_.i_type = kStepInitialise;
            return State::GoOn;
        case State::GoOn:
        case State::Stopped:
            break;
    }
    return state;
}

// Another sender may still report an outcome (a "close" ends the start); otherwise the sequence
// goes on as if there were nothing to install.
UpdateSequence::State UpdateSequence::AwaitOutcome() {
    for (int pauses = 0; !link_.b_update_end; ++pauses) {
        if (TerminateFlag()) return State::Stopped;
        if (pauses == kOutcomeWaitPauses) break;
        context_.seams.pause(kOutcomePause);
    }
    return AfterOutcome();
}

UpdateSequence::State UpdateSequence::AfterOutcome() const {
    return TerminateFlag() ? State::Stopped : State::RunUpdater;
}

void RunUpdateSequence(SequenceLink link, const UpdateContext& context) {
    UpdateSequence(std::move(link), context).Run();
}

}  // namespace corvane::update
