#pragma once
// A real main window on the offscreen platform, created and shown as the program does, and UDP
// peers on loopback addresses that talk to it.

#include "scan/udp.h"
#include "support/isolation.h"
#include "support/ui_helpers.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"
#include "ui/spinedit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace scantest {

using namespace std::chrono_literals;

// A UDP socket bound to a loopback address, standing in for a host.
class Peer {
public:
    explicit Peer(const std::string& addr, int port = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, addr.c_str(), &sa.sin_addr);
        bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
        timeval tv{2, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~Peer()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool Bound() const { return bound_; }

    void SendToScanner(const std::vector<std::uint8_t>& bytes) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(udp::kLocalPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // One datagram, or nothing within the socket's 2 s receive limit.
    std::vector<std::uint8_t> Receive(sockaddr_in* from = nullptr) const
    {
        std::vector<std::uint8_t> buf(2048);
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        const ssize_t n = ::recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&sa), &len);
        buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (from != nullptr)
            *from = sa;
        return buf;
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_ISOLATED_NETWORK();
        window = std::make_unique<Tfrmmain>();
        window->show();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return window->isVisible(); }, 5s));
    }
    void TearDown() override
    {
        if (window) {
            window->close();
            window.reset();
        }
    }

    ResultsModel& Rows() const { return *window->Results(); }
    LogListBox& Log() const { return *window->ListBox1; }

    void SetRange(const QString& start, const QString& end, int wait)
    {
        window->ComboBox1->setEditText(start);
        window->Edit2->setText(end);
        window->SpinEdit1->SetValue(wait);
    }

    bool WaitForScanEnd(std::chrono::milliseconds limit = 60s)
    {
        return testsupport::WaitUntil([&] { return !window->ScanRunning(); }, limit);
    }

    std::vector<QString> Captions() const
    {
        std::vector<QString> out;
        for (int i = 0; i < Rows().Count(); ++i)
            out.push_back(Rows().Caption(i));
        return out;
    }

    std::unique_ptr<Tfrmmain> window;
};

} // namespace scantest
