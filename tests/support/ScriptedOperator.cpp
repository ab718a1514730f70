#include "ScriptedOperator.hpp"

#include <gtest/gtest.h>

namespace sentinex::testing {

void ScriptedOperator::message(const std::string& title, const std::string& text, MsgIcon icon) {
    shown.push_back({Kind::Message, title, text, icon, false});
}

Answer ScriptedOperator::question(const std::string& title, const std::string& text, MsgIcon icon,
                                  bool withCancel) {
    shown.push_back({Kind::Question, title, text, icon, withCancel});
    if (answers.empty()) {
        return defaultAnswer;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::string ScriptedOperator::inputBox(const std::string& prompt, const std::string& title,
                                       const std::string&) {
    shown.push_back({Kind::Input, title, prompt, MsgIcon::None, false});
    if (inputs.empty()) {
        return {};
    }
    std::string t = inputs.front();
    inputs.pop_front();
    return t;
}

void ScriptedOperator::showWait() {
    waitVisible = true;
    waitTextsShown.push_back(waitText);
    ++waitShownCount;
}

void ScriptedOperator::closeWait() {
    waitVisible = false;
    waitCancelOffered = false;
}

void ScriptedOperator::waitProgress(const std::string& text) {
    progress.push_back(text);
    if (onProgress) {
        onProgress(text);
    }
}

std::vector<ScriptedOperator::Shown> ScriptedOperator::messages() const {
    std::vector<Shown> out;
    for (const Shown& s : shown) {
        if (s.kind == Kind::Message) {
            out.push_back(s);
        }
    }
    return out;
}

std::vector<std::string> ScriptedOperator::texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown) {
        out.push_back(s.text);
    }
    return out;
}

const ScriptedOperator::Shown& ScriptedOperator::last() const {
    static const Shown none{Kind::Message, "", "", MsgIcon::None, false};
    if (shown.empty()) {
        ADD_FAILURE() << "nothing was shown to the operator";
        return none;
    }
    return shown.back();
}

void ScriptedOperator::clear() {
    shown.clear();
    answers.clear();
    inputs.clear();
    beeps = 0;
    waitShownCount = 0;
    waitVisible = false;
    waitTextsShown.clear();
    progress.clear();
}

} // namespace sentinex::testing
