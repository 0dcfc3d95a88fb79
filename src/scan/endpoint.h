#pragma once
// The scan's UDP endpoint: every node-status query leaves through it, and every datagram that reaches
// local port 6767 is read and decoded on the UI thread and shown as a Quick host.

#include "platform/winsock.h"
#include "scan/scanstate.h"
#include "scan/scanview.h"

#include <QObject>

#include <cstdint>
#include <string>

namespace scan {

class Endpoint {
public:
    // owner: the UI thread's object whose event loop delivers the socket's readiness.
    Endpoint(ScanView& view, ScanState& state, QObject* owner);
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    // Socket, bind to port 6767, readiness to the UI thread; each failure is shown and the rest goes on.
    void Open();
    void Close();
    // Tries the send once. When the kernel has no room for the datagram now and reportWouldBlock is
    // false, shows nothing and gives WouldBlock, for the caller to try again; any other failure shows
    // the two send messages.
    QuerySend SendNBStatQuery(const std::uint8_t* query, const std::string& address, bool reportWouldBlock = true);
    void WMSocketEvent(long lParam);
    void ParseNBStatReply(const std::uint8_t* bytes, int length, const QString& address);

private:
    ScanView& view_;
    ScanState& state_;
    QObject* owner_;
    wsock::SOCKET FSocket = wsock::INVALID_SOCKET;
    wsock::sockaddr_in FLocalAddr{};
    wsock::sockaddr_in FRemoteAddr{};
};

} // namespace scan
