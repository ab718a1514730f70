#include "session/Session.hpp"

#include "core/EventPump.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

int storedVersion(TestInstall& install) {
    return static_cast<int>(install.db()->query("PRAGMA user_version")[0][0].toInt());
}

// The start-up brings a database of an older program up to date and marks it; a database a newer
// program wrote is refused by name, with what to do, and left as it was.
TEST(SessionSchemaVersionTest, AnOlderDatabaseIsMarkedAndANewerOneRefused) {
    struct Case {
        int stored;
        Session::Start start;
        int after;
    };
    for (const Case c : {Case{0, Session::Start::Ready, Schema::Version},
                         Case{Schema::Version, Session::Start::Ready, Schema::Version},
                         Case{Schema::Version + 1, Session::Start::NoDatabase, Schema::Version + 1}}) {
        SCOPED_TRACE(c.stored);
        TestInstall install;
        install.db()->executeScript("PRAGMA user_version = " + std::to_string(c.stored));
        ScriptedOperator op;
        FakeClock clock;
        NullEventPump pump;
        OnlineFakeBus bus;
        OnlineRecordingView view;
        {
            Session session(install.dir(), op, clock, pump, &bus);
            EXPECT_EQ(session.start(view), c.start);
        }
        EXPECT_EQ(storedVersion(install), c.after);
        if (c.start == Session::Start::NoDatabase) {
            ASSERT_EQ(op.messages().size(), 1u);
            const std::string text = op.messages()[0].text;
            EXPECT_NE(text.find("Il database '" + install.folder().database() +
                                "' è stato scritto da una versione più recente di Sentinex"),
                      std::string::npos)
                << text;
            EXPECT_EQ(text.find("danneggiato"), std::string::npos) << text;
        }
    }
}

} // namespace
} // namespace sentinex
