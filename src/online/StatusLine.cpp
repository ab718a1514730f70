#include "StatusLine.hpp"

#include "OnlineView.hpp"

namespace sentinex {

void StatusLine::setStoreFailure(const std::string& text) {
    m_store = text;
    publish();
}

void StatusLine::clearStoreFailure() {
    m_store.clear();
    publish();
}

void StatusLine::setCounterProblem(const std::string& text) {
    m_counter = text;
    publish();
}

void StatusLine::clearCounterProblem() {
    m_counter.clear();
    publish();
}

void StatusLine::setWaiting(std::size_t count, bool onDisk) {
    m_waiting.clear();
    if (count > 0) {
        m_waiting = std::to_string(count) + " registrazioni in attesa";
        if (!onDisk) {
            m_waiting += " (tenute in memoria: il disco non accetta scritture)";
        }
    }
    publish();
}

void StatusLine::setReserveLow(bool low) {
    m_reserveLow = low;
    publish();
}

void StatusLine::setSilentReader(int readerIndex, const std::string& text) {
    m_silent[readerIndex] = text;
    publish();
}

void StatusLine::clearSilentReader(int readerIndex) {
    if (m_silent.erase(readerIndex) > 0) {
        publish();
    }
}

void StatusLine::setLineSilent(bool silent) {
    m_lineSilent = silent;
    publish();
}

void StatusLine::forgetReaders() {
    m_silent.clear();
    m_lineSilent = false;
    publish();
}

void StatusLine::setCardsUnreadable(bool unreadable) {
    m_cardsUnreadable = unreadable;
    publish();
}

void StatusLine::setUnconfirmedGrants(int count) {
    m_unconfirmed.clear();
    if (count == 1) {
        m_unconfirmed = "1 passaggio con esito non confermato dal lettore (registrato nello storico)";
    } else if (count > 1) {
        m_unconfirmed = std::to_string(count) +
                        " passaggi con esito non confermato dal lettore (registrati nello storico)";
    }
    publish();
}

void StatusLine::setPollingNote(const std::string& text) {
    m_polling = text;
    publish();
}

void StatusLine::setStartUpNote(const std::string& text) {
    m_startUp = text;
    publish();
}

void StatusLine::setRunNote(const std::string& text) {
    m_run = text;
    publish();
}

void StatusLine::setBackupNote(const std::string& text) {
    m_backup = text;
    publish();
}

void StatusLine::setResumeNote(const std::string& text) {
    m_resume = text;
    publish();
}

std::string StatusLine::text() const {
    std::string t;
    auto add = [&t](const std::string& line) {
        if (!line.empty()) {
            t += (t.empty() ? "" : LineBreak) + line;
        }
    };
    if (m_cardsUnreadable) {
        add(CardsUnreadableText);
    }
    add(m_store);
    add(m_waiting);
    if (m_reserveLow) {
        add(ReserveLowText);
    }
    add(m_unconfirmed);
    add(m_counter);
    add(m_startUp);
    add(m_resume);
    add(m_run);
    add(m_backup);
    add(m_polling);
    if (m_lineSilent) {
        // Every reader is silent: one line says it better than one per reader.
        add(LineSilentText);
    } else {
        for (const auto& [index, line] : m_silent) {
            add(line);
        }
    }
    return t;
}

void StatusLine::publish() {
    std::string now = text();
    if (now != m_shown) {
        m_shown = std::move(now);
        m_view.showStatus(m_shown);
    }
}

} // namespace sentinex
