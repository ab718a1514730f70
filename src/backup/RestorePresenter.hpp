#pragma once

#include <string>
#include <vector>

namespace sentinex {

class Operator;

/// The restore window's rules and messages: the backups to choose from (newest first), the refusals,
/// the question, and the request that the next start-up makes the restore. The window lists `labels`
/// and restarts the program when `restore` returns true.
class RestorePresenter {
public:
    RestorePresenter(Operator& op, std::string programDir, std::string root);

    /// Says "Non ci sono backup da ripristinare." and returns false when there is none to choose.
    bool offerChoice() const;
    /// The dated folders as the operator reads them ("14/03/2026 02:15:00"), newest first.
    std::vector<std::string> labels() const;
    /// Restores the backup at `index` of `labels` (-1: none chosen), when polling and the automatic
    /// output are off, the backup passes its checks and the operator confirms. True once the restore
    /// is asked of the next start-up: the program must restart now.
    bool restore(int index, bool pollingOn, bool outputOn);

private:
    Operator& m_op;
    std::string m_programDir;
    std::string m_root;
    std::vector<std::string> m_names;
};

} // namespace sentinex
