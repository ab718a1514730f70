#pragma once

#include <string>
#include <vector>

namespace sentinex {

/// The card file of the Vireo readers: one quoted record "NNNcccccc" per line (card number, three
/// digits, then the six-character card code), written in Windows-1252 (UTF-8 read too), CRLF or LF.
class VireoCardFile {
public:
    static constexpr const char* NotFound = "####";
    static constexpr const char* Missing = "????";

    /// Path of the card file named `fileVireo` in the program folder `folder`.
    static std::string pathFor(const std::string& folder, const std::string& fileVireo);

    /// Card number for the card code `code` (reader bytes): "0" + characters 1-3 of the first record
    /// whose characters 4-9 equal the code exactly (case-sensitive); "####" when none does, "????"
    /// when the file does not exist or cannot be read. The file is opened and closed at every call.
    static std::string lookup(const std::string& path, const std::string& code);

    /// The items of a file's content, quotes removed, each as Windows-1252 bytes (one per character).
    static std::vector<std::string> items(const std::string& content);
};

} // namespace sentinex
