#pragma once

#include "ui/common/QtItalianTranslation.hpp"

namespace sentinex::testing {

/// Qt's Italian texts taken out for a scope (as on a machine without the file), put back after when
/// they were installed before.
class WithoutQtTranslation {
public:
    WithoutQtTranslation() : m_wasInstalled(QtItalianTranslation::isInstalled()) {
        QtItalianTranslation::remove();
    }
    ~WithoutQtTranslation() {
        if (m_wasInstalled) {
            QtItalianTranslation::install();
        }
    }
    WithoutQtTranslation(const WithoutQtTranslation&) = delete;
    WithoutQtTranslation& operator=(const WithoutQtTranslation&) = delete;

private:
    bool m_wasInstalled;
};

} // namespace sentinex::testing
