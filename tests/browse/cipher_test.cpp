// The ciphers and the validation against the published check vectors, with the keystream
// followed across reads of one byte, 37 bytes and the whole answer.

#include <gtest/gtest.h>

#include <string>

#include "answer_bytes.h"
#include "browse/legacy_answer.h"
#include "browse/newer_request.h"
#include "browse/validate.h"

namespace vantorel::browse {
namespace {

using testing::InPieces;

std::string Hex(std::string_view bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

std::string Unhex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

TEST(Validate, PublishedVectors) {
    struct Case {
        const char* challenge;
        const char* key;
        int enctype;
        const char* expected;
    };
    for (const Case& c : {Case{"ABCDEF", "kbeafe", 0, "iJbjNilG"}, Case{"ABCDEF", "h2P9dJ", 0, "9GJshp0H"},
                          Case{"ABCDEF", "h2P9dJ", 2, "nFA8v/lN"}}) {
        EXPECT_EQ(Validate(c.challenge, c.key, c.enctype), c.expected) << c.key << " " << c.enctype;
    }
}

TEST(ListCipher, FirstKeystreamBytesOfAZeroKey) {
    std::string keystream(16, '\0');
    ListCipher(std::string(13, '\0')).Apply(keystream.data(), keystream.size());
    EXPECT_EQ(Hex(keystream), "ad7cce27612ac621d94367e628a25963");
}

// The published one-server list, read whole and in pieces: the header and the keystream
// must both carry across reads.
TEST(ListCipher, PublishedListInEveryReadSize) {
    const std::string wire = Unhex("e168325039644a00000000000000ac7ecd2338f29a47b02d068a74");
    EXPECT_EQ(wire, testing::LegacyEnciphered(std::string("\x01\x02\x03\x04\x59\xD8\\final\\", 13)));
    for (const std::size_t piece : {1u, 37u, 0u}) {
        MasterList list;
        LegacyAnswer answer(list, 2);
        InPieces(wire, piece, [&](std::string_view bytes) { answer.Feed(bytes); });
        ASSERT_EQ(list.Servers().size(), 1u) << piece;
        EXPECT_EQ(list.Servers()[0].address.Text(), "1.2.3.4:23000");
        EXPECT_TRUE(list.Complete());
        EXPECT_FALSE(list.Fault());
    }
}

TEST(GoaCipher, PublishedVectorAndItsDecipheringInEveryReadSize) {
    // A game key of "000000" leaves the challenge "00000000" as it is.
    const std::string key = AnswerKey("00000000", "0000000000", "000000");
    EXPECT_EQ(key, "00000000");
    std::string stream(20, '\0');
    GoaCipher(key).Encrypt(stream.data(), stream.size());
    EXPECT_EQ(Hex(stream), "84f2f520e84d8667b6d3b3c0230d407467fe9c30");

    // A longer stream, so that 37-byte reads cross several times.
    std::string plain;
    for (int i = 0; i < 300; ++i) {
        plain += static_cast<char>(i * 7);
    }
    std::string wire = plain;
    GoaCipher(key).Encrypt(wire.data(), wire.size());
    for (const std::size_t piece : {1u, 37u, 0u}) {
        GoaCipher cipher(key);
        std::string read;
        InPieces(wire, piece, [&](std::string_view bytes) {
            std::string part(bytes);
            cipher.Decrypt(part.data(), part.size());
            read += part;
        });
        EXPECT_EQ(read, plain) << piece;
    }
}

TEST(ClientChallenge, ParityRuleAndRequestSize) {
    EXPECT_TRUE(IsClientChallenge("uQL).'JS"));
    EXPECT_TRUE(IsClientChallenge("Ghfg0Vhq"));
    EXPECT_FALSE(IsClientChallenge("12345678"));
    unsigned state = 1;
    auto random = [&state] { return state = state * 1103515245u + 12345u; };
    for (int i = 0; i < 200; ++i) {
        const std::string challenge = MakeClientChallenge(random);
        EXPECT_TRUE(IsClientChallenge(challenge)) << challenge;
    }
    std::string why;
    const std::string request = EncodeListRequest({"uQL).'JS", "", std::string(kBrowserFields), 1}, &why);
    EXPECT_EQ(request.size(), 216u) << why;
    EXPECT_EQ(request.substr(0, 3), std::string("\x00\xD8\x00", 3));
}

}  // namespace
}  // namespace vantorel::browse
