// The main window's UDP endpoint: every node-status query leaves through it, every datagram that
// reaches local port 6767 is read and decoded on the UI thread.

#include "platform/codepage.h"
#include "protocol/nbstat.h"
#include "scan/udp.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"

#include <QLineEdit>

namespace {

// A name field on its own, so that a double-byte character cut by its end cannot take in what follows.
QString NetworkText(const std::string& bytes) { return QString::fromStdString(wcodepage::OemToUtf8(bytes)); }

} // namespace

void Tfrmmain::OpenEndpoint()
{
    wsock::WSADATA wsaData;
    if (wsock::WSAStartup(0x0101, &wsaData) != 0)
        ShowMessage(QStringLiteral("Error!"));
    FSocket = wsock::socket(wsock::kAfInet, wsock::kSockDgram, 0);
    if (FSocket == wsock::INVALID_SOCKET)
        ShowMessage(QString::number(wsock::WSAGetLastError()) + QStringLiteral("  Socket error"));
    FLocalAddr = wsock::sockaddr_in{};
    FLocalAddr.sin_family = wsock::kAfInet;
    FLocalAddr.sin_addr = 0;
    FLocalAddr.sin_port = wsock::HostToNetShort(udp::kLocalPort);
    if (wsock::bind(FSocket, &FLocalAddr, sizeof FLocalAddr) != 0)
        ShowMessage(QStringLiteral("bind fail"));
    wsock::WSAAsyncSelect(
        FSocket, this, [this](long lParam) { WMSocketEvent(lParam); }, wsock::kFdRead);
    udp::WaitAckEvent = wsync::CreateEventA(nullptr, true, false, "WAIT_ACK");
    udp::TimeOut.store(udp::kDefaultTimeOut);
}

void Tfrmmain::CloseEndpoint()
{
    if (FSocket == wsock::INVALID_SOCKET)
        return;
    wsock::closesocket(FSocket);
    FSocket = wsock::INVALID_SOCKET;
}

udp::QuerySend Tfrmmain::SendNBStatQuery(const std::uint8_t* query, const std::string& address, bool reportWouldBlock)
{
    FRemoteAddr.sin_addr = wsock::inet_addr(address.c_str());
    FRemoteAddr.sin_family = wsock::kAfInet;
    FRemoteAddr.sin_port = wsock::HostToNetShort(nbstat::kNameServicePort);
    const int sent
        = wsock::sendto(FSocket, reinterpret_cast<const char*>(query), 50, 0, &FRemoteAddr, sizeof FRemoteAddr);
    if (sent == wsock::SOCKET_ERROR && wsock::WSAGetLastError() == wsock::kWsaEWouldBlock && !reportWouldBlock)
        return udp::QuerySend::WouldBlock;
    if (sent == wsock::SOCKET_ERROR)
        ShowMessage(QStringLiteral("SOCKET_ERROR,send fail."));
    if (sent != 50)
        ShowMessage(QStringLiteral("Not Send all"));
    return sent == 50 ? udp::QuerySend::Sent : udp::QuerySend::Failed;
}

void Tfrmmain::WMSocketEvent(long lParam)
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
    wsync::SetEvent(udp::WaitAckEvent);
}

void Tfrmmain::ParseNBStatReply(const std::uint8_t* bytes, int length, const QString& address)
{
    const ResultsModel::RowId row = results_->InsertTop(address);
    for (int i = 0; i < ResultsModel::kCells; ++i)
        results_->AddCell(row, QString());
    ListBox1->AddLine(QStringLiteral("IP: ") + address);
    results_->SetCell(row, 0, QStringLiteral("Found"));
    results_->SetLogAnchor(row, ListBox1->Count());
    // During a Quick scan the count field tells how many hosts have answered so far.
    Edit5->setText(QString::number(results_->Count()));

    const nbstat::Reply reply = nbstat::Decode(bytes, length);
    if (!reply.tableFound)
        return;
    for (const nbstat::NameEntry& entry : reply.names)
        ListBox1->AddLine(NetworkText(entry.text) + QString::fromStdString(nbstat::NameTags(entry)));
    if (reply.hostName)
        results_->SetCell(row, 1, NetworkText(*reply.hostName));
    if (reply.workgroup)
        results_->SetCell(row, 3, NetworkText(*reply.workgroup));
    if (reply.mac) {
        const QString mac = QString::fromStdString(nbstat::MacText(*reply.mac, '.'));
        results_->SetCell(row, 2, mac);
        ListBox1->AddLine(QStringLiteral("MAC:") + mac);
    }
    ListBox1->AddLine(QString::fromStdString(nbstat::kSeparatorLine));
    ListBox1->SetTopIndex(ListBox1->Count() - 1);
}
