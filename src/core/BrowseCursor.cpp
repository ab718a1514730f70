#include "core/BrowseCursor.hpp"

#include <algorithm>
#include <utility>

namespace sentinex {

BrowseCursor::BrowseCursor(BrowseTexts texts) : m_texts(std::move(texts)) {}

void BrowseCursor::reset(std::int64_t count) {
    m_mode = Mode::Browse;
    m_count = std::max<std::int64_t>(count, 0);
    m_position = m_count > 0 ? 1 : 0;
    m_savedPosition = m_position;
    m_key.reset();
}

bool BrowseCursor::moveTo(std::int64_t position) {
    if (editing() || m_count == 0 || position < 1 || position > m_count || position == m_position) {
        return false;
    }
    m_position = position;
    return true;
}

bool BrowseCursor::beginNew() {
    if (editing()) {
        return false;
    }
    m_mode = Mode::New;
    m_savedPosition = m_position;
    return true;
}

bool BrowseCursor::beginModify() {
    if (editing() || m_position == 0) {
        return false;
    }
    m_mode = Mode::Modify;
    m_savedPosition = m_position;
    return true;
}

void BrowseCursor::cancel(std::int64_t count) {
    m_mode = Mode::Browse;
    m_count = std::max<std::int64_t>(count, 0);
    m_position = m_count == 0 ? 0 : std::clamp<std::int64_t>(m_savedPosition, 1, m_count);
}

void BrowseCursor::saved(std::int64_t count, std::optional<std::int64_t> newPosition) {
    const bool wasNew = m_mode == Mode::New;
    m_mode = Mode::Browse;
    m_count = std::max<std::int64_t>(count, 0);
    const std::int64_t wanted = wasNew ? newPosition.value_or(m_count) : m_savedPosition;
    m_position = m_count == 0 ? 0 : std::clamp<std::int64_t>(wanted, 1, m_count);
}

void BrowseCursor::removed(std::int64_t count) {
    reset(count);
}

BrowseView BrowseCursor::view() const {
    BrowseView v;
    v.editing = editing();
    if (m_mode == Mode::New) {
        v.counter = m_texts.newCounter;
    } else if (m_mode == Mode::Modify) {
        v.counter = m_texts.modifyCounter;
    } else if (m_count == 0) {
        v.counter = m_texts.emptyCounter;
    } else {
        v.counter = m_texts.counterPrefix + std::to_string(m_position) + m_texts.counterJoin +
                    std::to_string(m_count);
    }
    v.newOrCancelCaption = v.editing ? m_texts.cancelCaption : m_texts.newCaption;
    v.modifyOrSaveCaption = m_mode == Mode::New      ? m_texts.saveNewCaption
                            : m_mode == Mode::Modify ? m_texts.saveModifyCaption
                                                     : m_texts.modifyCaption;
    const bool browsing = !v.editing;
    v.navigate = browsing;
    v.first = v.previous = browsing && m_count > 0 && m_position > 1;
    v.next = v.last = browsing && m_count > 0 && m_position < m_count;
    v.newOrCancel = true;
    v.modifyOrSave = v.editing || m_count > 0;
    v.remove = browsing && m_count > 0;
    v.exit = browsing;
    return v;
}

} // namespace sentinex
