#pragma once

#include <string>

namespace sentinex {

struct OnlineServices;
struct StepContext;
struct CardRecord;
class TransitLog;
class PresenceTable;

/// The chain of checks on a card found in `Carte`, and the grant that follows when all pass.
class AccessDecision {
public:
    AccessDecision(OnlineServices& services, TransitLog& log, PresenceTable& presence)
        : m_s(services), m_log(log), m_presence(presence) {}

    /// Applies the eight checks in order; the first that fails shows its message on `Label3` and runs
    /// the refusal procedure with its code. When all pass, sends the grant after a 10 ms pause and, only
    /// when the reader answers "S" at position 4, shows, logs and counts the passage; any other answer
    /// shows the communication error and records nothing.
    void decide(const StepContext& ctx, const CardRecord& card, int input1, int input2);

    /// Character k (1-based) of `Lettore` has a non-zero numeric value; missing or non-digit is 0.
    static bool enabledOnReader(const std::string& lettore, int k);
    /// Input check: passes when `ControllaInput` is not True; otherwise with `MetodoInput` True both
    /// inputs must be in the required state, with it False (or Null) one suffices. A Null `Input1` or
    /// `Input2` requires the input off.
    static bool inputsPass(const CardRecord& card, int input1, int input2);
    /// prefix + "K1" + o1 + "000100" + o2.
    static std::string grantPayload(const std::string& prefix, const CardRecord& card);

private:
    void refuse(const StepContext& ctx, const CardRecord& card, int code, const std::string& message);
    void recordGrant(const StepContext& ctx, const std::string& N, const CardRecord& card, int direction);

    OnlineServices& m_s;
    TransitLog& m_log;
    PresenceTable& m_presence;
};

} // namespace sentinex
