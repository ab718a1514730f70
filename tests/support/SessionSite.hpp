#pragma once

#include "core/EventPump.hpp"
#include "session/Session.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <memory>

namespace sentinex::testing {

/// What a session stands on in a test: an installation, an operator that records, a clock the test
/// sets, a pump with no window events, a bus that answers and a view that records. A test's own site
/// fills the installation in its constructor.
struct SessionSite {
    /// A session on the installation's folder, not yet started.
    std::unique_ptr<Session> newSession() {
        return std::make_unique<Session>(install.dir(), op, clock, pump, &bus);
    }

    TestInstall install;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    OnlineFakeBus bus;
    OnlineRecordingView view;
};

} // namespace sentinex::testing
