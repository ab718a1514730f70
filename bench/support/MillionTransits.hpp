#pragma once

namespace sentinex::testing {
class TestInstall;
}

namespace sentinex::bench {

/// An installation whose `transiti` holds 1,000,000 transits as an installation records them: in time
/// order, 1,000 a day from 1 January 2023 (about two years and nine months), 10,000 badges, an entry and an
/// exit a day each for 500 of them, one transit in twenty a refusal. Made once for the run, on first call.
testing::TestInstall& millionTransitInstall();

} // namespace sentinex::bench
