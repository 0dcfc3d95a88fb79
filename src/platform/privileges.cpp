#include "platform/privileges.h"

#include "platform/icmp.h"

#include <sys/capability.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <memory>
#include <type_traits>

namespace wplatform {
namespace {

struct CapFree {
    void operator()(cap_t caps) const { cap_free(caps); }
};
using Caps = std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree>;

bool Holds(cap_t caps, cap_value_t cap, cap_flag_t set)
{
    cap_flag_value_t value = CAP_CLEAR;
    return cap_get_flag(caps, cap, set, &value) == 0 && value == CAP_SET;
}

// Makes a permitted capability effective; false where it is not permitted.
bool Raise(cap_t caps, cap_value_t cap)
{
    if (!Holds(caps, cap, CAP_PERMITTED))
        return false;
    return cap_set_flag(caps, CAP_EFFECTIVE, 1, &cap, CAP_SET) == 0 && cap_set_proc(caps) == 0;
}

} // namespace

bool DropCapabilities()
{
    // Root chose what it runs and its own QT_PLUGIN_PATH, and loses nothing here. The threat is an
    // ordinary user's program that a file capability made stronger than the user who picks its plugins.
    if (::getuid() == 0)
        return true;
    const Caps held(cap_get_proc());
    const Caps none(cap_init());
    if (!held || !none)
        return false;
    // The ambient set is part of the permitted one, so a process without either has nothing to drop.
    if (cap_compare(held.get(), none.get()) == 0)
        return true;
    if (Raise(held.get(), CAP_NET_RAW) && wicmp::OpenRawSocketPool() > 0) {
        // The sockets are the one power left: no other process of the user may take them from this
        // one (ptrace, pidfd_getfd).
        ::prctl(PR_SET_DUMPABLE, 0);
    }
    if (CAP_AMBIENT_SUPPORTED() && cap_reset_ambient() != 0)
        return false;
    // Dropping from the bounding set needs CAP_SETPCAP, which a file capability rarely grants.
    if (Raise(held.get(), CAP_SETPCAP)) {
        for (cap_value_t cap = 0; cap < cap_max_bits(); ++cap)
            cap_drop_bound(cap);
    }
    if (cap_set_proc(none.get()) != 0)
        return false;
    const Caps left(cap_get_proc());
    return left && cap_compare(left.get(), none.get()) == 0;
}

} // namespace wplatform
