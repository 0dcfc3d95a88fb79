#pragma once
// The start of a program that was given capabilities: `setcap cap_net_raw+ep` on the binary, run by
// an ordinary user.

namespace wplatform {

// Call first thing, before any library runs code of its own: Qt loads plugins from QT_PLUGIN_PATH,
// which whoever starts the program sets. Where the process holds capabilities, it opens the raw echo
// sockets while CAP_NET_RAW is held (wicmp::OpenRawSocketPool) and then drops every capability for
// the rest of its life: effective, permitted, inheritable, ambient, and the bounding set where it may.
// A process of root is left as it is. False when the capabilities could not be dropped; the program
// must not go on then.
bool DropCapabilities();

} // namespace wplatform
