// What a broken or hostile compositor can send: the connection and the parser
// end cleanly, never crash, never wait past their deadline.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/i3ipc/I3IpcConnection.h"
#include "platform/i3ipc/I3Tree.h"

namespace varnic {
namespace {

// A listening socket the test plays the compositor on.
class FakeCompositor {
  public:
    FakeCompositor() {
        sockaddr_un address{AF_UNIX, {}};
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
    }
    ~FakeCompositor() {
        close(peer_);
        close(listener_);
        std::filesystem::remove_all(directory_);
    }
    std::unique_ptr<I3IpcConnection> connect() {
        auto connection = I3IpcConnection::open(path_, I3IpcConnection::deadlineAfter(2));
        peer_ = accept(listener_, nullptr, nullptr);
        return connection;
    }
    // A header of that length and type, then the bytes.
    void send(std::uint32_t length, std::uint32_t type, const std::string& bytes = {}) {
        std::string frame = "i3-ipc";
        frame.append(reinterpret_cast<const char*>(&length), 4);
        frame.append(reinterpret_cast<const char*>(&type), 4);
        send(frame + bytes);
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(write(peer_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

  private:
    char pattern_[32] = "/tmp/varnic-i3ipc-XXXXXX";
    std::string directory_ = mkdtemp(pattern_);
    std::string path_ = directory_ + "/ipc.sock";
    int listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
    int peer_ = -1;
};

TEST(I3IpcRobustnessTest, BrokenFramingSilenceAndHostileTreesEndCleanly) {
    FakeCompositor compositor;
    auto silent = compositor.connect();
    ASSERT_TRUE(silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(silent->receive(I3IpcConnection::deadlineAfter(0.2)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(silent->broken()) << "a slow peer is not a broken one";
    // A message split across writes is put together again.
    compositor.send(2, 4, "[");
    EXPECT_FALSE(silent->poll());
    compositor.send("]");
    EXPECT_EQ(silent->receive(I3IpcConnection::deadlineAfter(1))->payload, "[]");
    compositor.send(0xFFFFFFFFu, 4);
    EXPECT_FALSE(silent->receive(I3IpcConnection::deadlineAfter(1)));
    EXPECT_TRUE(silent->broken()) << "a 4 GiB length is not a reply";

    EXPECT_FALSE(i3tree::windows("[1,2,3]"));
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += R"({"id":1,"nodes":[)";
    EXPECT_FALSE(i3tree::windows(deep)) << "unterminated nesting";
    for (int i = 0; i < 100000; ++i) deep += "]}";
    EXPECT_TRUE(i3tree::windows(deep).value().empty()) << "too deep";
    const auto odd = i3tree::windows(R"({"id":1,"type":"root","nodes":[
        {"id":"two","type":"con","pid":5},
        {"id":3,"type":"con","pid":-7,"app_id":null,"name":42,"rect":{"x":1e308,"width":"w"}},
        {"id":4,"type":"con","pid":99999999999,"window":4294967296,"app_id":"ok\u0000\n"},
        {"id":5,"type":"con","window":17,"window_properties":{"class":["x"]},"fullscreen_mode":"1"}
    ],"floating_nodes":"none","focus":[5,"x",null]})");
    ASSERT_TRUE(odd);
    ASSERT_EQ(odd->size(), 3u) << "a container without an id is not a window";
    EXPECT_EQ(odd->at(0).window.number, 5) << "focus order, then the rest in tree order";
    EXPECT_FALSE(odd->at(1).window.pid) << "no process has a negative id";
    EXPECT_LE(odd->at(1).window.frame.x, 1 << 24) << "absurd coordinates are clamped";
    EXPECT_FALSE(odd->at(2).window.pid) << "out of range";
    EXPECT_FALSE(odd->at(2).window.x11Window);
    EXPECT_EQ(odd->at(2).window.appName, std::string("ok\0\n", 4));
    EXPECT_FALSE(i3tree::windowEvent(R"({"change":"focus","container":7})"));
    EXPECT_FALSE(i3tree::commandOutcome(R"([{"success":true},{"success":"yes"}])").success);
    EXPECT_FALSE(i3tree::compositorName(R"({"major":"4"})"));
}

}  // namespace
}  // namespace varnic
