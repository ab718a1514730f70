#include "session/PollingResume.hpp"

#include "core/EventPump.hpp"
#include "session/LastRecordTime.hpp"
#include "session/RunStateFile.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SessionSite.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

/// An installation with one reader and "RiprendiPolling" as given.
struct Site : testing::SessionSite {
    explicit Site(const std::string& riprendi) {
        TestInstall::Reader r;
        install.addReader(r);
        install.writeSettings(
            "[Impostazioni]\r\nPolling=100\r\nUtenti=0\r\nImparziale=No\r\nStoricoEsterno=No\r\n"
            "RiprendiPolling=" +
            riprendi + "\r\n");
    }
};

TEST(PollingResumeTest, AStartUpResumesTheSwitchesOnlyAfterAnUnexpectedEndAndWhenAsked) {
    struct Case {
        const char* riprendi;
        bool endedOnPurpose;
        Switches before;
        Switches after;
    };
    const Switches off{};
    const Switches polling{true, false};
    const Switches output{false, true};
    const Switches both{true, true};
    const Case cases[] = {
        {"SI", false, polling, polling}, {"SI", false, output, output}, {"SI", false, both, both},
        {"SI", false, off, off},         {"SI", true, polling, off},    {"SI", true, output, off},
        {"SI", true, both, off},         {"SI", true, off, off},        {"NO", false, polling, off},
        {"NO", false, output, off},      {"NO", false, both, off},      {"NO", false, off, off},
        {"NO", true, polling, off},      {"NO", true, output, off},     {"NO", true, both, off},
        {"NO", true, off, off},          {"Si", false, both, both},     {"si", false, both, off},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.riprendi) + (c.endedOnPurpose ? " clean end " : " unexpected end ") +
                     RunStateFile::text(c.before));
        Site site(c.riprendi);
        {
            // The previous run: switched as the case says, then left on purpose or simply gone (a kill
            // runs no code, and neither does dropping the session here).
            OnlineRecordingView view;
            auto previous = site.newSession();
            ASSERT_EQ(previous->start(view), Session::Start::Ready);
            previous->state().pollingOn = c.before.polling;
            previous->state().outputOn = c.before.output;
            previous->switchesChanged();
            if (c.endedOnPurpose) {
                previous->endedOnPurpose();
            }
        }
        OnlineRecordingView view;
        auto session = site.newSession();
        ASSERT_EQ(session->start(view), Session::Start::Ready);
        EXPECT_EQ((Switches{session->state().pollingOn, session->state().outputOn}), c.after);
        const std::string status = view.status.empty() ? std::string() : view.status.back();
        EXPECT_EQ(status.find("ripreso dopo un arresto imprevisto") != std::string::npos, c.after.any())
            << status;
        EXPECT_TRUE(site.op.shown.empty());

        // What this run starts with is what a kill now would resume.
        EXPECT_EQ(RunStateFile(site.install.folder().file(RunStateFile::FileName)).unfinishedRun(), c.after);
    }
}

TEST(PollingResumeTest, AMissingOrGarbledStateFileResumesNothing) {
    for (const char* text : {static_cast<const char*>(nullptr), "", "Polling=Si\n", "Polling=Si\nOutput"}) {
        SCOPED_TRACE(text ? text : "(no file)");
        Site site("SI");
        if (text) {
            site.install.temp().write(RunStateFile::FileName, text);
        }
        OnlineRecordingView view;
        auto session = site.newSession();
        ASSERT_EQ(session->start(view), Session::Start::Ready);
        EXPECT_FALSE(session->state().pollingOn);
        EXPECT_FALSE(session->state().outputOn);
        EXPECT_TRUE(view.status.empty());
    }
}

TEST(PollingResumeTest, TheNoteSaysWhatCameBackAndTheTimeOfTheNewestRecord) {
    const std::string when = "11/12/2026 01:40";
    EXPECT_EQ(PollingResume::note({true, false}, when),
              "Polling ripreso dopo un arresto imprevisto (ultima registrazione 11/12/2026 01:40)");
    EXPECT_EQ(PollingResume::note({true, true}, std::nullopt),
              "Polling ripreso dopo un arresto imprevisto (nessuna registrazione)");
    EXPECT_EQ(PollingResume::note({false, true}, when),
              "Output automatico ripreso dopo un arresto imprevisto (ultima registrazione 11/12/2026 01:40)");
    EXPECT_EQ(PollingResume::note({}, when), "");
}

TEST(PollingResumeTest, TheNewestRecordIsTheLastStoredRowOrTheLaterTextHistoryLine) {
    TestInstall install;
    Database& db = *install.db();
    const std::string storico = install.temp().file("Storico.txt");
    EXPECT_EQ(LastRecordTime::find(db, true, storico), std::nullopt) << "nothing recorded anywhere";

    const auto addTransit = [&db](const char* data, const char* ora) {
        db.execute("INSERT INTO transiti (NumeroBadge, Data, Ora) VALUES ('0001', ?, ?)", {data, ora});
    };
    addTransit("10/12/2026", "18:05");
    addTransit("09/12/2026", "07:00"); // stored last (a download of older passages): the last stored counts
    EXPECT_EQ(LastRecordTime::find(db, false, storico), "09/12/2026 07:00");

    // Two granted passages in the text history; the file's last line is the newest.
    install.temp().write(
        "Storico.txt",
        "\"0001          Mario          Rossi   01 Ingresso 01/12/2026 08:00 Passaggio In\"\r\n"
        "\"0001          Mario          Rossi   01 Ingresso 11/12/2026 01:40 Passaggio Out\"\r\n");
    EXPECT_EQ(LastRecordTime::find(db, true, storico), "11/12/2026 01:40");
    EXPECT_EQ(LastRecordTime::find(db, false, storico), "09/12/2026 07:00")
        << "the text history is not in use";

    // A refusal later than the text history's last grant: the table wins, compared as dates (the day
    // alone, as text, would say otherwise).
    addTransit("02/01/2027", "00:10");
    EXPECT_EQ(LastRecordTime::find(db, true, storico), "02/01/2027 00:10");

    // A line cut by a kill is no record: the whole line before it is.
    install.temp().write(
        "Storico.txt",
        "\"0001          Mario          Rossi   01 Ingresso 03/01/2027 08:00 Passaggio In\"\r\n"
        "\"0001          Mario          Rossi   01 Ingresso 04/01/2027 09");
    EXPECT_EQ(LastRecordTime::lastTextRecord(storico), "03/01/2027 08:00");
}

} // namespace
} // namespace sentinex
