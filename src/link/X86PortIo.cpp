#include "X86PortIo.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <cerrno>
#include <cstring>
#include <sys/io.h>
#define SENTINEX_HAVE_PORT_IO 1
#endif

namespace sentinex {

std::unique_ptr<PortIo> X86PortIo::acquire(const std::vector<std::uint16_t>& addresses, std::string& why) {
#ifdef SENTINEX_HAVE_PORT_IO
    for (std::uint16_t a : addresses) {
        if (ioperm(a, 1, 1) != 0) {
            why = std::string("accesso alle porte di I/O non consentito (") + std::strerror(errno) + ")";
            return nullptr;
        }
    }
    return std::unique_ptr<PortIo>(new X86PortIo());
#else
    (void)addresses;
    why = "accesso alle porte di I/O non disponibile su questa macchina";
    return nullptr;
#endif
}

void X86PortIo::out(std::uint16_t address, std::uint8_t value) {
#ifdef SENTINEX_HAVE_PORT_IO
    outb(value, address);
#else
    (void)address;
    (void)value;
#endif
}

std::uint8_t X86PortIo::in(std::uint16_t address) {
#ifdef SENTINEX_HAVE_PORT_IO
    return inb(address);
#else
    (void)address;
    return 0;
#endif
}

} // namespace sentinex
