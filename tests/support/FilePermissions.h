#pragma once

// File permissions that bind root too, so tests of unreadable files and read-only databases run
// under root (as CI does) rather than skip. While a FilePermissionsApply lives, the calling thread
// and every thread it starts lack the capabilities that let root read, write and search whatever it
// likes (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH); root then meets permission bits like any owner.
// For other users nothing changes. Threads started before it keep their capabilities.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace moxtel::test {

class FilePermissionsApply {
public:
    FilePermissionsApply() {
        if (geteuid() != 0 || !Caps(SYS_capget, m_saved)) return;
        Data lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = Caps(SYS_capset, lowered);
    }
    ~FilePermissionsApply() {
        if (m_lowered) Caps(SYS_capset, m_saved);
    }
    FilePermissionsApply(const FilePermissionsApply&) = delete;
    FilePermissionsApply& operator=(const FilePermissionsApply&) = delete;

    // False only for root whose capabilities could not be lowered: the caller skips then.
    bool Hold() const { return geteuid() != 0 || m_lowered; }

private:
    using Data = __user_cap_data_struct;
    static bool Caps(long call, Data* data) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return syscall(call, &header, data) == 0;
    }
    Data m_saved[2] = {};
    bool m_lowered = false;
};

}  // namespace moxtel::test
