#include "scan/endpoint.h"

#include "platform/codepage.h"
#include "protocol/nbstat.h"

namespace scan {
namespace {

// A name field on its own, so that a double-byte character cut by its end cannot take in what follows.
QString NetworkText(const std::string& bytes) { return QString::fromStdString(wcodepage::OemToUtf8(bytes)); }

} // namespace

Endpoint::Endpoint(ScanView& view, ScanState& state, QObject* owner)
    : view_(view)
    , state_(state)
    , owner_(owner)
{
}

Endpoint::~Endpoint() { Close(); }

void Endpoint::Open()
{
    wsock::WSADATA wsaData;
    if (wsock::WSAStartup(0x0101, &wsaData) != 0)
        view_.ShowMessage(QStringLiteral("Error!"));
    FSocket = wsock::socket(wsock::kAfInet, wsock::kSockDgram, 0);
    if (FSocket == wsock::INVALID_SOCKET)
        view_.ShowMessage(QString::number(wsock::WSAGetLastError()) + QStringLiteral("  Socket error"));
    FLocalAddr = wsock::sockaddr_in{};
    FLocalAddr.sin_family = wsock::kAfInet;
    FLocalAddr.sin_addr = 0;
    FLocalAddr.sin_port = wsock::HostToNetShort(kLocalPort);
    if (wsock::bind(FSocket, &FLocalAddr, sizeof FLocalAddr) != 0)
        view_.ShowMessage(QStringLiteral("bind fail"));
    wsock::WSAAsyncSelect(
        FSocket, owner_, [this](long lParam) { WMSocketEvent(lParam); }, wsock::kFdRead);
}

void Endpoint::Close()
{
    if (FSocket == wsock::INVALID_SOCKET)
        return;
    wsock::closesocket(FSocket);
    FSocket = wsock::INVALID_SOCKET;
}

QuerySend Endpoint::SendNBStatQuery(const std::uint8_t* query, const std::string& address, bool reportWouldBlock)
{
    FRemoteAddr.sin_addr = wsock::inet_addr(address.c_str());
    FRemoteAddr.sin_family = wsock::kAfInet;
    FRemoteAddr.sin_port = wsock::HostToNetShort(nbstat::kNameServicePort);
    const int sent
        = wsock::sendto(FSocket, reinterpret_cast<const char*>(query), 50, 0, &FRemoteAddr, sizeof FRemoteAddr);
    if (sent == wsock::SOCKET_ERROR && wsock::WSAGetLastError() == wsock::kWsaEWouldBlock && !reportWouldBlock)
        return QuerySend::WouldBlock;
    if (sent == wsock::SOCKET_ERROR)
        view_.ShowMessage(QStringLiteral("SOCKET_ERROR,send fail."));
    if (sent != 50)
        view_.ShowMessage(QStringLiteral("Not Send all"));
    return sent == 50 ? QuerySend::Sent : QuerySend::Failed;
}

void Endpoint::WMSocketEvent(long lParam)
{
    if ((lParam & 0xFFFF) != wsock::kFdRead)
        return;
    std::uint8_t buffer[nbstat::kMaxDatagram];
    wsock::sockaddr_in from{};
    int fromLen = sizeof from;
    const int length
        = wsock::recvfrom(FSocket, reinterpret_cast<char*>(buffer), nbstat::kMaxDatagram, 0, &from, &fromLen);
    // A row carries the address of the datagram's sender (or of the host that refused the query),
    // never whichever address was queried last.
    if (length >= 0)
        FRemoteAddr = from;
    if (length >= 0 || fromLen > 0)
        ParseNBStatReply(buffer, length, QString::fromStdString(wsock::inet_ntoa(from.sin_addr)));
    wsync::SetEvent(state_.WAIT_ACK);
}

void Endpoint::ParseNBStatReply(const std::uint8_t* bytes, int length, const QString& address)
{
    QuickHost host;
    host.address = address;
    const nbstat::Reply reply = nbstat::Decode(bytes, length);
    host.tableFound = reply.tableFound;
    if (reply.tableFound) {
        for (const nbstat::NameEntry& entry : reply.names)
            host.names.append(NetworkText(entry.text) + QString::fromStdString(nbstat::NameTags(entry)));
        if (reply.hostName)
            host.hostName = NetworkText(*reply.hostName);
        if (reply.workgroup)
            host.workgroup = NetworkText(*reply.workgroup);
        if (reply.mac)
            host.mac = QString::fromStdString(nbstat::MacText(*reply.mac, '.'));
    }
    view_.AddQuickHost(host);
}

} // namespace scan
