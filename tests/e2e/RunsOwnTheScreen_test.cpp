// While a run talks to the readers it owns the screen: a close box, another button of the form under it
// or a button of the main window does nothing until the run has ended, and the run completes. Played end
// to end for the runs of the additional functions form over the real link to sentinex-readersim.

#include "E2eRig.hpp"

#include "ui/admin/FrmDownLoad.hpp"
#include "ui/admin/FrmFunzAgg.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"

#include <QApplication>
#include <QPointer>
#include <QRadioButton>

namespace sentinex::e2e {
namespace {

QPushButton* button(QWidget* form, const char* name) {
    auto* b = form ? form->findChild<QPushButton*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(b, nullptr) << name;
    return b;
}

/// Does `act` once, the first time the event loop turns while the wait form is up: a person's click or
/// close arriving in the middle of a run.
class DuringTheRun {
public:
    DuringTheRun(const Operator& op, std::function<void()> act) : m_op(op), m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_done && m_op.waitShown()) {
                m_done = true;
                m_act();
            }
        });
        m_timer.start(1);
    }
    bool happened() const { return m_done; }

private:
    const Operator& m_op;
    std::function<void()> m_act;
    QTimer m_timer;
    bool m_done = false;
};

enum class Run { ProgramAllCards, ClearAll, Download };
enum class Disturbance { CloseBoxOfTheForm, OtherButtonOfTheForm, MainWindowButton };

const char* name(Run run) {
    switch (run) {
    case Run::ProgramAllCards:
        return "ProgramAllCards";
    case Run::ClearAll:
        return "ClearAll";
    case Run::Download:
        return "Download";
    }
    return "";
}

const char* name(Disturbance d) {
    switch (d) {
    case Disturbance::CloseBoxOfTheForm:
        return "CloseBox";
    case Disturbance::OtherButtonOfTheForm:
        return "OtherButton";
    case Disturbance::MainWindowButton:
        return "MainWindowButton";
    }
    return "";
}

class RunsOwnTheScreenE2e : public ::testing::TestWithParam<std::tuple<Run, Disturbance>> {};

TEST_P(RunsOwnTheScreenE2e, NothingActsAndTheRunCompletes) {
    const auto [run, disturbance] = GetParam();
    Rig rig({{1, 1, "INGRESSO", "In"}, {1, 2, "UFFICI", "Out"}}, /*board*/ false);
    TestInstall::User u;
    u.NumeroCarta = "0001";
    u.Flag_online = false;
    u.Lettore = "11" + std::string(62, '0');
    rig.install.addUser(u);
    for (int address = 1; address <= 2; ++address) {
        rig.sim->queueTransit(1, address, "000108001501");
    }
    ASSERT_TRUE(rig.start());
    rig.click("Command7");
    QPointer<FrmFunzAgg> funz = shownWindow<FrmFunzAgg>();
    ASSERT_NE(funz, nullptr);

    // The form the run starts from: the download has its own.
    QPointer<QWidget> under = funz.data();
    if (run == Run::Download) {
        button(funz, "Command2")->click();
        under = shownWindow<FrmDownLoad>();
        ASSERT_NE(under, nullptr);
        under->findChild<QRadioButton*>("Option2")->setChecked(true);
    }
    const char* start = run == Run::ProgramAllCards ? "Command6"
                        : run == Run::ClearAll      ? "Command7"
                                                    : "Command1";
    const char* other = run == Run::Download ? "Command2" : "Command8"; // Annulla / the band form

    DuringTheRun disturb(rig.op, [&] {
        switch (disturbance) {
        case Disturbance::CloseBoxOfTheForm:
            under->close();
            break;
        case Disturbance::OtherButtonOfTheForm:
            button(under, other)->click();
            break;
        case Disturbance::MainWindowButton:
            rig.click("Command4"); // polling on
            break;
        }
    });
    if (run == Run::ClearAll) {
        rig.op.queueAnswer(Answer::Yes);
    }
    button(under, start)->click();

    EXPECT_TRUE(disturb.happened()) << "the run never let the event loop turn";
    ASSERT_FALSE(under.isNull()) << "the form under the run went from under it";
    EXPECT_FALSE(rig.session->state().pollingOn) << "the main window's switch acted during the run";
    EXPECT_EQ(rig.polls(1) + rig.polls(2), 0);
    EXPECT_EQ(shownWindow<FrmFasceOnline>(), nullptr) << "another button of the form acted during the run";
    if (run != Run::Download) {
        EXPECT_TRUE(funz->isVisible()) << "the form under the run closed";
    }
    // The run went to its end on both readers.
    switch (run) {
    case Run::ProgramAllCards:
        EXPECT_EQ(SimProcess::list(rig.sim->dump(1, 2)["cards"]).size(), 1u);
        break;
    case Run::ClearAll:
        EXPECT_TRUE(SimProcess::list(rig.sim->dump(1, 2)["transits"]).empty());
        break;
    case Run::Download:
        EXPECT_EQ(rig.count("SELECT count(*) FROM transiti"), 2);
        break;
    }
    if (QWidget* download = shownWindow<FrmDownLoad>()) {
        download->close();
    }
    funz->setEnabled(true);
    funz->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunsOwnTheScreenE2e,
    ::testing::Combine(::testing::Values(Run::ProgramAllCards, Run::ClearAll, Run::Download),
                       ::testing::Values(Disturbance::CloseBoxOfTheForm, Disturbance::OtherButtonOfTheForm,
                                         Disturbance::MainWindowButton)),
    [](const auto& info) {
        return std::string(name(std::get<0>(info.param))) + "_" + name(std::get<1>(info.param));
    });

} // namespace
} // namespace sentinex::e2e
