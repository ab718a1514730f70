#include "SimReader.hpp"

#include "SimText.hpp"

#include <cctype>
#include <cstdio>

namespace sentinex::sim {

namespace {

std::string pad(int n, int width) {
    std::string s = std::to_string(n < 0 ? -n : n);
    s = std::string(static_cast<std::size_t>(width), '0') + s;
    return s.substr(s.size() - static_cast<std::size_t>(width));
}

bool digits(const std::string& s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool flags(const std::string& s) {
    for (char c : s) {
        if (c != '0' && c != '1') {
            return false;
        }
    }
    return true;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += escape(items[i]);
    }
    return out;
}

} // namespace

SimReader::SimReader(int loop, int address, int site, std::string type)
    : m_loop(loop), m_address(address), m_addressText(pad(address, 2)), m_site(pad(site, 6)),
      m_type(std::move(type)) {}

void SimReader::presentCard(const std::string& data, char in1, char in2) {
    m_card = data;
    m_cardIn1 = in1;
    m_cardIn2 = in2;
}

std::string SimReader::reply(char code, const std::string& data) const {
    return m_addressText + code + data;
}

std::optional<std::string> SimReader::handle(const std::string& payload, bool checkOk, double now) {
    m_requests.push_back(payload);
    if (now < m_silentUntil) {
        return std::nullopt; // still starting up after a reset
    }
    if (!checkOk) {
        return reply('D');
    }
    if (!payload.empty() && payload[0] == 'W') {
        if (payload.size() != 5 || payload.substr(3) != "00") {
            return reply('D');
        }
        ++m_resets;
        m_site = "000000";
        m_config.clear();
        m_options.clear();
        m_positions.clear();
        for (auto& b : m_bands) {
            b.clear();
        }
        m_card.reset();
        m_out1 = m_out2 = "0";
        m_downloading = false;
        if (m_fault.kind == "reboot") {
            m_silentUntil = now + m_fault.arg / 1000.0;
        }
        return reply('S');
    }
    if (payload.size() < 9) {
        return reply('D');
    }
    if (payload.substr(2, 6) != m_site) {
        return reply('C');
    }
    const char command = payload[8];
    const std::string body = payload.substr(9);
    switch (command) {
    case 'D': {
        if (!body.empty()) {
            return reply('D');
        }
        if (m_card) {
            std::string data = std::string("0") + m_cardIn1 + m_cardIn2 + "0" + *m_card;
            m_card.reset();
            return reply('I', data);
        }
        return reply('S', std::string("0") + m_in1 + m_in2);
    }
    case 'K':
        if (body.size() != 9 || !flags(body)) {
            return reply('D');
        }
        m_lastK = body;
        m_out1 = body[0] == '1' ? std::string(1, body[1]) : "0";
        m_out2 = body[0] == '1' ? std::string(1, body[8]) : "0";
        return reply('S');
    case 'O':
        if (body.size() < 2 || body[0] != '0' || !digits(body.substr(1))) {
            return reply('D');
        }
        m_output = body.substr(1);
        return reply('S');
    case 'A': {
        // Site code, "000", opening time in half seconds, and "00" in three-digit mode.
        if ((body.size() != 11 && body.size() != 13) || !digits(body)) {
            return reply('D');
        }
        m_config = body;
        m_site = body.substr(0, 6);
        m_opening = body.substr(9, 2);
        m_fourDigit = body.size() == 11;
        return reply('S');
    }
    case 'N':
        if (body.size() != 6 || !digits(body.substr(0, 2)) || !flags(body.substr(2))) {
            return reply('D');
        }
        m_options = body;
        return reply('S');
    case 'T':
        if (body.size() != 10 || !digits(body)) {
            return reply('D');
        }
        m_clock = body;
        return reply('S');
    case 'P':
        if (body.size() != 9 && body.size() != 10) {
            return reply('D');
        }
        for (char c : body) {
            if ((static_cast<unsigned char>(c) & 0x80) == 0) {
                return reply('D');
            }
        }
        m_positions = body;
        return reply('S');
    case 'F':
        if (body.size() != 9 || body[0] < '1' || body[0] > '3' || !digits(body)) {
            return reply('D');
        }
        m_bands[body[0] - '1'] = body.substr(1, 4) + "-" + body.substr(5, 4);
        return reply('S');
    case 'B': {
        if (body.size() != 10 && body.size() != 11) {
            return reply('D');
        }
        const std::size_t digitsOfCard = body.size() - 7;
        m_cards[body.substr(0, digitsOfCard)] = body.substr(digitsOfCard);
        return reply('S');
    }
    case 'C':
        if (body.size() != 3 && body.size() != 4) {
            return reply('D');
        }
        m_cards.erase(body);
        return reply('S');
    case 'Q':
        m_downloading = true;
        return reply('S');
    case 'S':
        if (m_transits.empty()) {
            m_downloading = false;
            return reply('F');
        } else {
            std::string record = m_transits.front();
            m_transits.pop_front();
            return reply('Z', record);
        }
    case 'E':
        if (body != "01") {
            return reply('D');
        }
        m_transits.clear();
        return reply('S');
    case 'L':
        if (body.empty()) {
            return reply('D');
        }
        m_cardFile.push_back(body);
        return reply('S');
    default:
        return reply('X');
    }
}

std::string SimReader::dump() const {
    std::vector<std::string> cards;
    for (const auto& [card, options] : m_cards) {
        cards.push_back(card + ":" + options);
    }
    std::vector<std::string> bands(std::begin(m_bands), std::end(m_bands));
    std::vector<std::string> transits(m_transits.begin(), m_transits.end());
    std::string out;
    auto add = [&out](const std::string& key, const std::string& value) {
        if (!out.empty()) {
            out += ' ';
        }
        out += key + "=" + value;
    };
    add("loop", std::to_string(m_loop));
    add("address", m_addressText);
    add("type", escape(m_type));
    add("site", m_site);
    add("in1", std::string(1, m_in1));
    add("in2", std::string(1, m_in2));
    add("out1", m_out1);
    add("out2", m_out2);
    add("lastk", escape(m_lastK));
    add("output", escape(m_output));
    add("resets", std::to_string(m_resets));
    add("config", escape(m_config));
    add("fourdigit", m_config.empty() ? "" : (m_fourDigit ? "1" : "0"));
    add("opening", escape(m_opening));
    add("options", escape(m_options));
    add("clock", escape(m_clock));
    add("positions", hex(m_positions));
    add("bands", joined(bands));
    add("cards", joined(cards));
    add("cardfile", joined(m_cardFile));
    add("transits", joined(transits));
    add("pending", m_card ? escape(*m_card) : "");
    add("requests", std::to_string(m_requests.size()));
    return out;
}

} // namespace sentinex::sim
