// libFuzzer target: the settings file "Sentinex.ini" as any bytes. Loading never fails; a key written to the file reads back as written, and a second load
// of the file gives the same settings but for that key.
#include "core/ProfileFile.hpp"
#include "core/SettingsFile.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

using sentinex::ProfileFile;
using sentinex::Settings;
using sentinex::SettingsFile;

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

std::string scratchFile() {
    static const std::string path = "/tmp/sentinex-settings-fuzz-" + std::to_string(::getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const SettingsFile file(path);
    const Settings first = file.loadAll();

    // A write goes into the file and reads back as written, whatever was there.
    const ProfileFile profile(path);
    require(profile.write("Impostazioni", "Utenti", "42"));
    const auto back = profile.find("Impostazioni", "Utenti");
    require(back && *back == "42");
    const Settings second = file.loadAll();
    require(second.Utenti == 42);
    require(second.Polling == first.Polling && second.QuattroCifre == first.QuattroCifre &&
            second.FileVireo == first.FileVireo && second.Beep == first.Beep);
    std::remove(path.c_str());
    return 0;
}
