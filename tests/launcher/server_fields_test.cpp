#include "launcher/server_fields.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using serverFields::PortRefusal;
using serverFields::ServerRefusal;

TEST(ServerFields, AcceptsDottedAddressesAndHostNames) {
    for (const char* server : {"192.168.1.5", "255.255.255.255", "0.0.0.1", "bfv.example.org", "my-server", "a1.b2"}) {
        EXPECT_EQ(ServerRefusal(server), "") << server;
    }
}

TEST(ServerFields, RefusesWhatTheGameCannotJoinSayingWhy) {
    const std::string notAddress =
        " is not an IP address: it must be four numbers from 0 to 255 with dots between them.";
    const std::string notName =
        " is neither an IP address nor a host name: a host name holds only letters, digits, \"-\" and \".\".";
    const std::string removed =
        "0.0.0.0 marks a removed favourite and cannot be a server. Please enter the server's own address.";
    EXPECT_EQ(ServerRefusal("999.1.1.1"), "\"999.1.1.1\"" + notAddress);
    EXPECT_EQ(ServerRefusal("1.2.3"), "\"1.2.3\"" + notAddress);
    EXPECT_EQ(ServerRefusal("1.2.3.4.5"), "\"1.2.3.4.5\"" + notAddress);
    EXPECT_EQ(ServerRefusal("1..2.3"), "\"1..2.3\"" + notAddress);
    EXPECT_EQ(ServerRefusal("1.2.3.0004"), "\"1.2.3.0004\"" + notAddress);
    EXPECT_EQ(ServerRefusal("1.2.3.4:15567"), "\"1.2.3.4:15567\"" + notName);
    EXPECT_EQ(ServerRefusal("my server"), "\"my server\"" + notName);
    EXPECT_EQ(ServerRefusal("caf\xC3\xA9"), "\"caf\xC3\xA9\"" + notName);
    EXPECT_EQ(ServerRefusal("a..b"), "\"a..b\" is not a host name: its parts between dots must not be empty.");
    EXPECT_EQ(ServerRefusal(std::string(254, 'a')), "A host name is at most 253 characters long.");
    EXPECT_EQ(ServerRefusal("0.0.0.0"), removed);
    EXPECT_EQ(ServerRefusal("000.0.0.0"), removed);
    EXPECT_EQ(ServerRefusal(""), "Please enter the server's IP address or host name.");
}

TEST(ServerFields, APortIsAWholeNumberFrom1To65535) {
    for (const char* port : {"1", "15567", "65535", "00080"}) {
        EXPECT_EQ(PortRefusal(port), "") << port;
    }
    for (const char* port : {"", "0", "65536", "abc", "-1", "+1", "155 67", "1.5", "999999999999"}) {
        EXPECT_EQ(PortRefusal(port), "The port must be a whole number from 1 to 65535.") << port;
    }
}

}  // namespace
}  // namespace vantorel
