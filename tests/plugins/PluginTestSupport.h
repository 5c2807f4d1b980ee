#pragma once

// Shared by the plug-in tests: a record of module messages, a scratch program
// directory holding copies of the built modules, and a UDP receiver bound to
// 127.0.0.1.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ext/MessageBoxes.h"
#include "plugins/common/ModuleMessage.h"
#include "tests/ScratchDir.h"

namespace trovik::testing {

// Records what the module code linked into the test shows, for the life of
// the object.
class MessageRecord {
public:
    MessageRecord() { previous = plugin::SetMessageSink(&Sink); }
    ~MessageRecord() {
        plugin::SetMessageSink(previous);
        Entries().clear();
    }
    MessageRecord(const MessageRecord&) = delete;
    MessageRecord& operator=(const MessageRecord&) = delete;

    struct Entry {
        std::string caption;
        std::string text;
    };
    static std::vector<Entry>& Entries() {
        static std::vector<Entry> entries;
        return entries;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Entry& e : Entries()) {
            texts.push_back(e.text);
        }
        return texts;
    }

private:
    static void Sink(std::string_view caption, std::string_view text) {
        Entries().push_back({std::string(caption), std::string(text)});
    }
    plugin::MessageSink previous = nullptr;
};

class HostMessages final : public MessageBoxes {
public:
    void Show(unsigned, std::string_view text, MessageIcon) override { shown.emplace_back(text); }
    bool Ask(unsigned, std::string_view, MessageIcon) override { return false; }
    std::vector<std::string> shown;
};

// A program directory of its own with a copy of one built module; it is the
// data directory too, so the module finds its INI file here whichever way it
// looks.
class ModuleInScratch {
public:
    explicit ModuleInScratch(std::string_view module) : name(module) {
        std::filesystem::copy_file(std::string(TROVIK_PLUGIN_DIR) + name, scratch.Path(name));
    }
    std::string Dir() const { return scratch.path().string() + "/"; }
    std::string DataDir() const { return scratch.path().string(); }
    std::string Ini(std::string_view file) const {
        return scratch.Path(std::string(file)).string();
    }
    const std::string& Name() const { return name; }

private:
    ScratchDir scratch{"trovik-plugin-"};
    std::string name;
};

// A UDP socket bound to 127.0.0.1 on a port the system picks.
class LoopbackReceiver {
public:
    LoopbackReceiver() {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (fd >= 0 &&
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            socklen_t length = sizeof(address);
            if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
                port = ntohs(address.sin_port);
            }
        }
    }
    ~LoopbackReceiver() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    LoopbackReceiver(const LoopbackReceiver&) = delete;
    LoopbackReceiver& operator=(const LoopbackReceiver&) = delete;

    std::uint16_t Port() const { return port; }

    // The next datagram, or nothing after `waitMs` milliseconds.
    std::optional<std::vector<std::uint8_t>> Receive(int waitMs = 2000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) != 1) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buffer(2048);
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0) {
            return std::nullopt;
        }
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }

private:
    int fd = -1;
    std::uint16_t port = 0;
};

// The bytes of a line datagram as written out by hand: 0x01, the line's
// instruction, the 16 characters.
inline std::vector<std::uint8_t> LineBytes(std::uint8_t instruction, std::string_view sixteen) {
    // Sized once: gcc 12 at -O3 takes an insert after the two-byte start for
    // a write out of bounds (a false -Warray-bounds).
    std::vector<std::uint8_t> bytes(2 + sixteen.size());
    bytes[0] = 0x01;
    bytes[1] = instruction;
    std::copy(sixteen.begin(), sixteen.end(), bytes.begin() + 2);
    return bytes;
}

}  // namespace trovik::testing
