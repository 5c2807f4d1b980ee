#include "plugins/morvex/PortAccess.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TROVIK_HAVE_IOPERM 1
#endif

namespace trovik::morvex {

void SystemPortWriter::Acquire() {
    if (acquired) {
        return;
    }
    acquired = true;
#ifdef TROVIK_HAVE_IOPERM
    if (::ioperm(kPostPort, 1, 1) == 0) {
        portPermission = true;
        return;
    }
#endif
    devPort = ::open("/dev/port", O_WRONLY | O_CLOEXEC);
}

void SystemPortWriter::Release() {
#ifdef TROVIK_HAVE_IOPERM
    if (portPermission) {
        (void)::ioperm(kPostPort, 1, 0);
    }
#endif
    if (devPort >= 0) {
        ::close(devPort);
    }
    portPermission = false;
    devPort = -1;
    acquired = false;
}

void SystemPortWriter::WriteByte(std::uint8_t value) {
#ifdef TROVIK_HAVE_IOPERM
    if (portPermission) {
        ::outb(value, kPostPort);
        return;
    }
#endif
    if (devPort >= 0) {
        (void)::pwrite(devPort, &value, 1, kPostPort);
    }
}

}  // namespace trovik::morvex
