#pragma once

#include <string>

namespace sentinex {

/// Putting a backup back. The backup is checked first (the engine's integrity check, then that it is a
/// main database this program knows); the restore itself is done by the next start-up, under the
/// instance lock and before the database is opened, so no connection can still see the old file: the
/// program asks for it with `request` and restarts. The files it replaces are kept aside as
/// "<name>.prima-del-ripristino".
class Restore {
public:
    static constexpr const char* SetAsideSuffix = ".prima-del-ripristino";
    /// In the program folder while a restore waits for the next start-up; it holds the backup's folder.
    static constexpr const char* PendingFile = "Sentinex.ripristino";

    /// The empty text when the backup in `folder` can be restored; otherwise what the operator is told.
    /// Never throws.
    static std::string check(const std::string& folder);
    /// Asks the next start-up to restore `folder`. False when the request cannot be written.
    static bool request(const std::string& programDir, const std::string& folder);

    /// What the start-up did about a waiting restore.
    struct Outcome {
        bool requested = false; // a restore was waiting
        bool done = false;      // and the backup's files are now the installation's
        std::string message;    // what the operator is told when it was requested
    };
    /// The restore waiting in `programDir`, if any: the backup is checked again, every file of the
    /// installation that the backup holds or lacks is set aside, and the backup's files take their
    /// places. A restore that cannot be done leaves the installation's files as they were. The request
    /// is removed either way, so a failing restore is not tried at every start. Never throws.
    static Outcome completePending(const std::string& programDir);
    /// The same, for `folder` now. Returns the empty text when done, else why not.
    static std::string apply(const std::string& programDir, const std::string& folder);
};

} // namespace sentinex
