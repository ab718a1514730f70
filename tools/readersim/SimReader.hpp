#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sentinex::sim {

/// A fault injected into a reader's replies.
struct SimFault {
    std::string kind = "none"; // none silent badcheck cut pieces late stray endless code reboot
    int arg = 0;               // pieces: gap ms; late: delay ms; reboot: silence after a reset, ms
    int size = 3;              // pieces: bytes per piece
    std::string bytes;         // stray: bytes sent before the reply; code: the reply code to use
    int count = 0;             // replies affected; 0 = until cleared
};

/// One simulated reader: its state as a real one keeps it, and its answer to each request.
class SimReader {
public:
    SimReader(int loop, int address, int site, std::string type);

    int loop() const { return m_loop; }
    int address() const { return m_address; }
    /// Two-digit address as requests carry it.
    const std::string& addressText() const { return m_addressText; }

    /// The reply body (without start byte, end byte and check byte) to request `payload`, or nothing
    /// when the reader keeps quiet. `checkOk` tells whether the request's check byte was right.
    std::optional<std::string> handle(const std::string& payload, bool checkOk, double now);

    void presentCard(const std::string& data, char in1, char in2);
    void queueTransit(const std::string& record) { m_transits.push_back(record); }
    void setInputs(char in1, char in2) {
        m_in1 = in1;
        m_in2 = in2;
    }
    void setSite(const std::string& site) { m_site = site; }

    SimFault& fault() { return m_fault; }
    std::vector<std::string>& requests() { return m_requests; }
    /// "key=value" words of the reader's state (values escaped).
    std::string dump() const;

private:
    std::string reply(char code, const std::string& data = {}) const;

    int m_loop;
    int m_address;
    std::string m_addressText;
    std::string m_site;
    std::string m_type;

    char m_in1 = '0';
    char m_in2 = '0';
    std::optional<std::string> m_card;
    char m_cardIn1 = '0';
    char m_cardIn2 = '0';

    std::string m_out1 = "0";
    std::string m_out2 = "0";
    std::string m_lastK;
    std::string m_output;
    int m_resets = 0;
    double m_silentUntil = 0;
    std::string m_config;
    bool m_fourDigit = true;
    std::string m_opening;
    std::string m_options;
    std::string m_clock;
    std::string m_positions;
    std::string m_bands[3];
    std::map<std::string, std::string> m_cards;
    std::vector<std::string> m_cardFile;
    std::deque<std::string> m_transits;
    bool m_downloading = false;

    SimFault m_fault;
    std::vector<std::string> m_requests;
};

} // namespace sentinex::sim
