#include "privileges.h"

#include <QString>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The capabilities by which root reads, writes and changes files regardless of their permissions.
constexpr quint32 overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool capabilities(bool set, __user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

WithoutRootOverride::WithoutRootOverride() {
    __user_cap_data_struct data[2]{};
    if (geteuid() != 0 || !capabilities(false, data))
        return;
    effective = data[0].effective;
    data[0].effective &= ~overrides;
    dropped = capabilities(true, data);
}

WithoutRootOverride::~WithoutRootOverride() {
    __user_cap_data_struct data[2]{};
    if (!dropped || !capabilities(false, data))
        return;
    data[0].effective = effective;
    capabilities(true, data);
}

bool mountSmallDisk(const QString &dir, qint64 bytes) {
    const QByteArray options = "size=" + QByteArray::number(bytes);
    return mount("tmpfs", dir.toLocal8Bit().constData(), "tmpfs", 0, options.constData()) == 0;
}

void unmountSmallDisk(const QString &dir) {
    umount2(dir.toLocal8Bit().constData(), MNT_DETACH);
}
