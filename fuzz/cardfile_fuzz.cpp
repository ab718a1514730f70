// libFuzzer target: a Vireo card file as any bytes. Reading never fails; every code read is known to
// the file; the next number follows the last record; a record appended reads back last, as written.
#include "readers/cardfile/CardFile.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

using sentinex::CardFile;

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/sentinex-cardfile-fuzz-" + std::to_string(::getpid()) + ".txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const CardFile file(path);
    const auto records = file.records();
    for (const std::string& r : records) {
        if (r.size() >= 9) {
            require(!file.isNew(r.substr(3, 6)));
        }
    }
    const int next = file.nextNumber();
    require(next >= 1);
    if (next <= 999) {
        require(file.append(next, "ABCDEF"));
        const auto after = file.records();
        require(after.size() == records.size() + 1);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%03dABCDEF", next);
        require(after.back() == expected);
        require(!file.isNew("ABCDEF"));
    }
    std::remove(path.c_str());
    return 0;
}
