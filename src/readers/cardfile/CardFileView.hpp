#pragma once

#include <string>

namespace sentinex {

/// What the card-file utility shows while it works: the prompt (`Label1`), the result of the last card
/// (`Label2`, green for a stored card) and the progress of a load (`ProgressBar1`).
class CardFileView {
public:
    virtual ~CardFileView() = default;
    virtual void showPrompt(const std::string& text) = 0;
    virtual void showResult(const std::string& text, bool stored) = 0;
    virtual void showProgress(int done, int total) = 0;
};

} // namespace sentinex
