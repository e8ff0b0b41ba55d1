// TCPIP INSTR sessions through visa.h against a scripted VXI-11 peer on loopback. ctest runs
// this suite in a network namespace of its own; most cases point the library at the peer's
// portmapper with ZVISA_PORTMAPPER_PORT, the port-111 case needs the namespace.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "ScriptedVxi11Peer.h"
#include "visa.h"

namespace {

using Action = ScriptedVxi11Peer::Action;
using Step = ScriptedVxi11Peer::Step;
using Clock = std::chrono::steady_clock;

constexpr const char* kResource = "TCPIP0::127.0.0.1::inst0::INSTR";
constexpr std::uint32_t kDeviceWrite = 11, kDeviceRead = 12, kReadStb = 13, kTrigger = 14,
                        kClear = 15, kLock = 18, kUnlock = 19;
constexpr std::uint32_t kMaxRecvSize = 1024;
// device_read's argument words: lid, requestSize, io_timeout, lock_timeout, flags, termChar.
constexpr std::size_t kRequestSizeWord = 1, kFlagsWord = 4, kTermCharWord = 5;

Step Link() {
    return {10, Action::kLink, ScriptedVxi11Peer::Words({kMaxRecvSize})};
}

Step Reply(std::uint32_t procedure, std::vector<std::uint8_t> body) {
    return {procedure, Action::kReply, std::move(body)};
}

Step ReadReply(std::uint32_t error, std::uint32_t reason, const std::string& data) {
    return Reply(kDeviceRead, ScriptedVxi11Peer::ReadReply(error, reason, data));
}

// A resource manager and a session on the peer, closed at the end.
class Session {
public:
    explicit Session(ScriptedVxi11Peer& peer, const char* resource = kResource) {
        setenv("ZVISA_PORTMAPPER_PORT", std::to_string(peer.PortmapperPort()).c_str(), 1);
        EXPECT_EQ(viOpenDefaultRM(&rm_), VI_SUCCESS);
        opened_ = viOpen(rm_, resource, VI_NULL, VI_NULL, &vi_);
    }
    ~Session() {
        viClose(rm_);
        unsetenv("ZVISA_PORTMAPPER_PORT");
    }
    ViStatus Opened() const { return opened_; }
    ViSession Vi() const { return vi_; }

    ViStatus Write(const std::string& text, ViUInt32* written = nullptr) {
        ViUInt32 count = 0;
        return viWrite(vi_, reinterpret_cast<const ViByte*>(text.data()),
                       static_cast<ViUInt32>(text.size()), written ? written : &count);
    }
    ViStatus Read(ViUInt32 count, std::string& data) {
        data.assign(count, '\0');
        ViUInt32 got = 0;
        const ViStatus status = viRead(vi_, reinterpret_cast<ViByte*>(&data[0]), count, &got);
        data.resize(got);
        return status;
    }

private:
    ViSession rm_ = VI_NULL;
    ViSession vi_ = VI_NULL;
    ViStatus opened_ = VI_ERROR_SYSTEM_ERROR;
};

// The length word of a read reply's opaque data: error, reason, length.
std::uint32_t DataLength(const Step& reply) {
    const std::uint8_t* p = reply.body.data() + 8;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (p[2] << 8) | p[3];
}

struct ReadCase {
    const char* what;
    std::vector<Step> replies;
    ViUInt32 count;
    bool termCharEnabled;
    ViStatus status;
    std::string data;
};

TEST(TcpipSessionTest, ReadEndsWhereTheServerSays) {
    const ReadCase kCases[] = {
        {"END in one reply", {ReadReply(0, 4, "1.5\n")}, 100, false, VI_SUCCESS, "1.5\n"},
        {"reason 0, read again, END",
         {ReadReply(0, 0, "abc"), ReadReply(0, 4, "def\n")},
         100,
         false,
         VI_SUCCESS,
         "abcdef\n"},
        {"END on the buffer's boundary",
         {ReadReply(0, 0, "abc"), ReadReply(0, 5, "def")},
         6,
         false,
         VI_SUCCESS,
         "abcdef"},
        {"buffer full before END",
         {ReadReply(0, 1, "abcdef")},
         6,
         false,
         VI_SUCCESS_MAX_CNT,
         "abcdef"},
        {"termination character",
         {ReadReply(0, 2, "ab\n")},
         100,
         true,
         VI_SUCCESS_TERM_CHAR,
         "ab\n"},
        {"I/O error", {ReadReply(17, 0, "")}, 100, false, VI_ERROR_IO, ""},
        {"locked by another link", {ReadReply(11, 0, "")}, 100, false, VI_ERROR_RSRC_LOCKED, ""},
        {"server's timeout keeps what came",
         {ReadReply(0, 0, "ab"), ReadReply(15, 0, "")},
         100,
         false,
         VI_ERROR_TMO,
         "ab"},
        {"link unknown to the server", {ReadReply(4, 0, "")}, 100, false, VI_ERROR_CONN_LOST, ""},
        {"more data than asked for", {ReadReply(0, 4, "abcdefgh")}, 4, false, VI_ERROR_IO, ""},
    };
    for (const ReadCase& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<Step> script{Link()};
        script.insert(script.end(), c.replies.begin(), c.replies.end());
        ScriptedVxi11Peer peer(script);
        Session session(peer);
        ASSERT_EQ(session.Opened(), VI_SUCCESS);
        viSetAttribute(session.Vi(), VI_ATTR_TERMCHAR_EN, c.termCharEnabled ? VI_TRUE : VI_FALSE);
        std::string data;
        EXPECT_EQ(session.Read(c.count, data), c.status);
        EXPECT_EQ(data, c.data);
        // Each read asks for what the buffer still holds, with the termination character when on.
        const auto calls = peer.Calls(1 + c.replies.size());
        ASSERT_EQ(calls.size(), 1 + c.replies.size());
        std::uint32_t before = 0;
        for (std::size_t i = 0; i < c.replies.size(); ++i) {
            const std::vector<std::uint32_t>& words = calls[1 + i].words;
            EXPECT_EQ(words[kRequestSizeWord], c.count - before);
            EXPECT_EQ(words[kFlagsWord], c.termCharEnabled ? 0x80u : 0u);
            EXPECT_EQ(words[kTermCharWord], c.termCharEnabled ? '\n' : 0u);
            before += DataLength(c.replies[i]);
        }
    }
}

struct WriteCase {
    std::size_t length;
    bool sendEnd;
    std::vector<std::uint32_t> pieces;
    std::vector<std::uint32_t> flags;
};

// device_write's argument words: lid, io_timeout, lock_timeout, flags, data length, data.
TEST(TcpipSessionTest, WritesSplitAtMaxRecvSizeWithEndOnTheLast) {
    const WriteCase kCases[] = {
        {2500, true, {1024, 1024, 452}, {0, 0, 8}},
        {1024, true, {1024}, {8}},
        {10, false, {10}, {0}},
    };
    for (const WriteCase& c : kCases) {
        SCOPED_TRACE(c.length);
        std::vector<Step> script{Link()};
        for (const std::uint32_t piece : c.pieces) {
            script.push_back(Reply(kDeviceWrite, ScriptedVxi11Peer::Words({0, piece})));
        }
        ScriptedVxi11Peer peer(script);
        Session session(peer);
        ASSERT_EQ(session.Opened(), VI_SUCCESS);
        viSetAttribute(session.Vi(), VI_ATTR_SEND_END_EN, c.sendEnd ? VI_TRUE : VI_FALSE);
        ViUInt32 written = 0;
        EXPECT_EQ(session.Write(std::string(c.length, 'x'), &written), VI_SUCCESS);
        EXPECT_EQ(written, c.length);
        const auto calls = peer.Calls(1 + c.pieces.size());
        ASSERT_EQ(calls.size(), 1 + c.pieces.size());
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(calls[1 + i].words[4], c.pieces[i]);
            EXPECT_EQ(calls[1 + i].words[3], c.flags[i]);
        }
    }
}

struct CallCase {
    const char* what;
    Step reply;
    ViStatus (*call)(ViSession);
    ViStatus status;
};

TEST(TcpipSessionTest, DeviceCallsAndTheirErrors) {
    const auto words = [](std::initializer_list<std::uint32_t> w) {
        return ScriptedVxi11Peer::Words(w);
    };
    const CallCase kCases[] = {
        {"clear", Reply(kClear, words({0})), [](ViSession vi) { return viClear(vi); }, VI_SUCCESS},
        {"trigger", Reply(kTrigger, words({0})),
         [](ViSession vi) { return viAssertTrigger(vi, VI_TRIG_PROT_DEFAULT); }, VI_SUCCESS},
        {"trigger unsupported", Reply(kTrigger, words({8})),
         [](ViSession vi) { return viAssertTrigger(vi, VI_TRIG_PROT_DEFAULT); },
         VI_ERROR_NSUP_OPER},
        {"status byte", Reply(kReadStb, words({0, 0x42})),
         [](ViSession vi) {
             ViUInt16 stb = 0;
             const ViStatus status = viReadSTB(vi, &stb);
             return stb == 0x42 ? status : VI_ERROR_IO;
         },
         VI_SUCCESS},
        {"lock", Reply(kLock, words({0})),
         [](ViSession vi) { return viLock(vi, VI_EXCLUSIVE_LOCK, 500, VI_NULL, VI_NULL); },
         VI_SUCCESS},
        {"lock another link keeps", Reply(kLock, words({11})),
         [](ViSession vi) { return viLock(vi, VI_EXCLUSIVE_LOCK, 500, VI_NULL, VI_NULL); },
         VI_ERROR_TMO},
        {"write while another link holds the lock", Reply(kDeviceWrite, words({11, 0})),
         [](ViSession vi) {
             ViUInt32 count = 0;
             return viWrite(vi, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &count);
         },
         VI_ERROR_RSRC_LOCKED},
        {"unlock without a lock", Reply(kUnlock, words({0})),
         [](ViSession vi) { return viUnlock(vi); }, VI_ERROR_SESN_NLOCKED},
    };
    for (const CallCase& c : kCases) {
        SCOPED_TRACE(c.what);
        ScriptedVxi11Peer peer({Link(), c.reply});
        Session session(peer);
        ASSERT_EQ(session.Opened(), VI_SUCCESS);
        EXPECT_EQ(c.call(session.Vi()), c.status);
    }
}

TEST(TcpipSessionTest, LockIsTheServersAndNests) {
    const auto ok = ScriptedVxi11Peer::Words({0});
    ScriptedVxi11Peer peer({Link(), Reply(kLock, ok), Reply(kUnlock, ok)});
    Session session(peer);
    ASSERT_EQ(session.Opened(), VI_SUCCESS);
    ViChar key[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viLock(session.Vi(), VI_EXCLUSIVE_LOCK, 700, VI_NULL, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(viLock(session.Vi(), VI_SHARED_LOCK, 700, VI_NULL, key), VI_SUCCESS);
    ViAccessMode state = VI_NO_LOCK;
    viGetAttribute(session.Vi(), VI_ATTR_RSRC_LOCK_STATE, &state);
    EXPECT_EQ(state, VI_EXCLUSIVE_LOCK);
    EXPECT_EQ(viUnlock(session.Vi()), VI_SUCCESS_NESTED_SHARED);
    EXPECT_EQ(viUnlock(session.Vi()), VI_SUCCESS);
    // device_lock: lid, flags waitlock, lock_timeout; one device_unlock for both levels.
    const auto calls = peer.Calls(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].words, (std::vector<std::uint32_t>{1, 1, 700}));
    EXPECT_EQ(calls[2].procedure, kUnlock);
}

// A read with `timeoutMs` set gives VI_ERROR_TMO, and returns well within `bound`.
void ExpectReadTimesOut(Session& session, ViUInt32 timeoutMs, std::chrono::seconds bound) {
    viSetAttribute(session.Vi(), VI_ATTR_TMO_VALUE, timeoutMs);
    std::string data;
    const auto start = Clock::now();
    EXPECT_EQ(session.Read(100, data), VI_ERROR_TMO);
    EXPECT_LT(Clock::now() - start, bound);
}

TEST(TcpipSessionTest, MutePeerTimesOutAbortsAndTheNextQueryIsClean) {
    // The read given up on is answered with the abort error once device_abort came.
    ScriptedVxi11Peer peer(
        {Link(),
         {kDeviceRead, Action::kReplyAfterAbort, ScriptedVxi11Peer::ReadReply(23, 0, "")},
         ReadReply(0, 4, "next\n")});
    Session session(peer);
    ASSERT_EQ(session.Opened(), VI_SUCCESS);
    ExpectReadTimesOut(session, 200, std::chrono::seconds(3));
    EXPECT_TRUE(peer.AbortArrived());
    std::string data;
    EXPECT_EQ(session.Read(100, data), VI_SUCCESS);
    EXPECT_EQ(data, "next\n");
}

TEST(TcpipSessionTest, PeerThatNeverRepliesGivesTimeoutNotHang) {
    ScriptedVxi11Peer peer({Link(), {kDeviceRead, Action::kMute, {}}});
    Session session(peer);
    ASSERT_EQ(session.Opened(), VI_SUCCESS);
    ExpectReadTimesOut(session, 100, std::chrono::seconds(4));
}

// viTerminate and viClose from another thread end the read in progress.
TEST(TcpipSessionTest, TerminateAndCloseEndAReadInProgress) {
    const std::pair<const char*, ViStatus (*)(ViSession)> kStops[] = {
        {"terminate", [](ViSession vi) { return viTerminate(vi, VI_NULL, VI_NULL); }},
        {"close", [](ViSession vi) { return viClose(vi); }},
    };
    for (const auto& [what, stop] : kStops) {
        SCOPED_TRACE(what);
        ScriptedVxi11Peer peer(
            {Link(),
             {kDeviceRead, Action::kReplyAfterAbort, ScriptedVxi11Peer::ReadReply(23, 0, "")},
             ReadReply(0, 4, "next\n")});
        Session session(peer);
        ASSERT_EQ(session.Opened(), VI_SUCCESS);
        viSetAttribute(session.Vi(), VI_ATTR_TMO_VALUE, VI_TMO_INFINITE);
        std::thread stopper([&, stop = stop] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_EQ(stop(session.Vi()), VI_SUCCESS);
        });
        std::string data;
        const auto start = Clock::now();
        EXPECT_EQ(session.Read(100, data), VI_ERROR_ABORT);
        stopper.join();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
        EXPECT_TRUE(peer.AbortArrived());
        const bool closed = std::string(what) == "close";
        EXPECT_EQ(session.Read(100, data), closed ? VI_ERROR_INV_OBJECT : VI_SUCCESS);
    }
}

TEST(TcpipSessionTest, ServerKilledMidReadLosesTheConnection) {
    ScriptedVxi11Peer peer(
        {Link(),
         {kDeviceRead, Action::kCloseMidReply, ScriptedVxi11Peer::ReadReply(0, 4, "1.5\n")}});
    Session session(peer);
    ASSERT_EQ(session.Opened(), VI_SUCCESS);
    std::string data;
    EXPECT_EQ(session.Read(100, data), VI_ERROR_CONN_LOST);
    EXPECT_EQ(session.Write("*IDN?\n"), VI_ERROR_CONN_LOST);
}

struct OpenCase {
    const char* what;
    std::vector<Step> script;
    int getPortReply;
    ViStatus status;
};

TEST(TcpipSessionTest, OpenFailsClearly) {
    const OpenCase kCases[] = {
        {"no VXI-11 server registered", {}, 0, VI_ERROR_RSRC_NFOUND},
        {"core port refused", {}, ClosedPort(), VI_ERROR_RSRC_NFOUND},
        {"no such device",
         {Reply(10, ScriptedVxi11Peer::Words({3, 0, 0, 0}))},
         -1,
         VI_ERROR_RSRC_NFOUND},
        {"too many links",
         {Reply(10, ScriptedVxi11Peer::Words({9, 0, 0, 0}))},
         -1,
         VI_ERROR_RSRC_BUSY},
        {"create_link never answered", {{10, Action::kMute, {}}}, -1, VI_ERROR_TMO},
    };
    for (const OpenCase& c : kCases) {
        SCOPED_TRACE(c.what);
        ScriptedVxi11Peer peer(c.script, 0, c.getPortReply);
        Session session(peer);
        EXPECT_EQ(session.Opened(), c.status);
    }
    // No portmapper at all.
    setenv("ZVISA_PORTMAPPER_PORT", std::to_string(ClosedPort()).c_str(), 1);
    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    EXPECT_EQ(viOpen(rm, kResource, VI_NULL, VI_NULL, &vi), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viOpen(rm, "TCPIP0::no-such-host.invalid::INSTR", VI_NULL, VI_NULL, &vi),
              VI_ERROR_RSRC_NFOUND);
    viClose(rm);
    unsetenv("ZVISA_PORTMAPPER_PORT");
}

TEST(TcpipSessionTest, AttributesDescribeTheResource) {
    ScriptedVxi11Peer peer({Link()});
    Session session(peer, "tcpip::127.0.0.1::usb0[31326::3142::SN1::0]");
    ASSERT_EQ(session.Opened(), VI_SUCCESS);
    const std::pair<ViAttr, const char*> kTexts[] = {
        {VI_ATTR_RSRC_NAME, "TCPIP0::127.0.0.1::usb0[31326::3142::SN1::0]::INSTR"},
        {VI_ATTR_RSRC_CLASS, "INSTR"},
        {VI_ATTR_TCPIP_ADDR, "127.0.0.1"},
        {VI_ATTR_TCPIP_HOSTNAME, "127.0.0.1"},
        {VI_ATTR_TCPIP_DEVICE_NAME, "usb0[31326::3142::SN1::0]"},
    };
    for (const auto& [attribute, text] : kTexts) {
        ViChar value[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(viGetAttribute(session.Vi(), attribute, value), VI_SUCCESS);
        EXPECT_STREQ(value, text);
    }
    ViUInt16 type = 0;
    EXPECT_EQ(viGetAttribute(session.Vi(), VI_ATTR_INTF_TYPE, &type), VI_SUCCESS);
    EXPECT_EQ(type, VI_INTF_TCPIP);
    ViUInt16 id = 0;
    EXPECT_EQ(viGetAttribute(session.Vi(), VI_ATTR_MANF_ID, &id), VI_ERROR_NSUP_ATTR);
    // create_link names the device as written: length 25, then the name.
    const auto calls = peer.Calls(1);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].words[3], 25u);
}

// The real portmapper port, where the namespace lets the test take it.
TEST(TcpipSessionTest, FindsTheCoreChannelThroughPort111) {
    if (std::getenv("ZVISA_TEST_NETNS") == nullptr) {
        GTEST_SKIP() << "port 111 only in the network namespace ctest makes";
    }
    ScriptedVxi11Peer peer({Link(), ReadReply(0, 4, "ZORVANE\n")}, 111);
    ASSERT_EQ(peer.PortmapperPort(), 111);
    unsetenv("ZVISA_PORTMAPPER_PORT");
    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    ASSERT_EQ(viOpen(rm, "TCPIP::localhost::INSTR", VI_NULL, VI_NULL, &vi), VI_SUCCESS);
    ViChar text[16] = {};
    ViUInt32 got = 0;
    EXPECT_EQ(viRead(vi, reinterpret_cast<ViByte*>(text), 15, &got), VI_SUCCESS);
    EXPECT_STREQ(text, "ZORVANE\n");
    viClose(rm);
}

}  // namespace
