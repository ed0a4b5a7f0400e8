#include <gtest/gtest.h>

#include <string>

#include "query/reply_assembler.h"

namespace vantorel {
namespace {

using Clock = ReplyAssembler::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart{};

// One part of a split reply: its pairs, "final" on the last part, then the queryid.
std::string Part(const std::string& pairs, const std::string& queryId, bool final = false) {
    return pairs + (final ? "\\final\\" : "") + "\\queryid\\" + queryId;
}

TEST(ReplyAssemblerTest, ADatagramWithoutQueryIdIsAWholeReply) {
    ReplyAssembler assembler;
    EXPECT_EQ(assembler.Add(R"(\hostname\Alpha\numplayers\0)", kStart), R"(\hostname\Alpha\numplayers\0)");
    EXPECT_FALSE(assembler.Waiting());
    EXPECT_EQ(assembler.Deadline(), std::nullopt);
    EXPECT_EQ(assembler.Expire(kStart + milliseconds(5000)), std::nullopt);
}

TEST(ReplyAssemblerTest, AOnePartReplyIsCompleteAtOnce) {
    ReplyAssembler assembler;
    const std::string reply = Part(R"(\hostname\Alpha)", "1.1", true);
    EXPECT_EQ(reply, R"(\hostname\Alpha\final\\queryid\1.1)");
    EXPECT_EQ(assembler.Add(reply, kStart), reply);
    EXPECT_FALSE(assembler.Waiting());
}

TEST(ReplyAssemblerTest, JoinsPartsInPartOrderWhateverOrderTheyCameIn) {
    ReplyAssembler assembler;
    const std::string first = Part(R"(\hostname\Alpha)", "7.1");
    const std::string second = Part(R"(\player_0\Ann)", "7.2");
    const std::string third = Part(R"(\player_1\Bob)", "7.3", true);

    EXPECT_EQ(assembler.Add(third, kStart), std::nullopt);
    EXPECT_TRUE(assembler.Waiting());
    EXPECT_EQ(assembler.Add(first, kStart + milliseconds(10)), std::nullopt);
    EXPECT_EQ(assembler.Add(second, kStart + milliseconds(20)), first + second + third);
    EXPECT_FALSE(assembler.Waiting());
}

TEST(ReplyAssemblerTest, GivesUpOnMissingPartsOneSecondAfterTheFirstPart) {
    ReplyAssembler assembler;
    const std::string first = Part(R"(\hostname\Alpha)", "3.1");
    const std::string third = Part(R"(\player_1\Bob)", "3.3", true);
    assembler.Add(third, kStart);
    assembler.Add(first, kStart + milliseconds(600));
    // A later part does not move the deadline.
    EXPECT_EQ(assembler.Deadline(), kStart + milliseconds(1000));

    EXPECT_EQ(assembler.Expire(kStart + milliseconds(999)), std::nullopt);
    EXPECT_TRUE(assembler.Waiting());
    EXPECT_EQ(assembler.Expire(kStart + milliseconds(1000)), first + third);
    EXPECT_FALSE(assembler.Waiting());
    EXPECT_EQ(assembler.Deadline(), std::nullopt);
    EXPECT_EQ(assembler.Expire(kStart + milliseconds(2000)), std::nullopt);
}

TEST(ReplyAssemblerTest, APartOfAnotherIdStartsANewSet) {
    ReplyAssembler assembler;
    assembler.Add(Part(R"(\hostname\Old)", "4.1"), kStart);
    const std::string first = Part(R"(\hostname\New)", "5.1");
    const std::string second = Part(R"(\player_0\Ann)", "5.2", true);
    EXPECT_EQ(assembler.Add(first, kStart + milliseconds(700)), std::nullopt);
    EXPECT_EQ(assembler.Deadline(), kStart + milliseconds(1700));
    EXPECT_EQ(assembler.Add(second, kStart + milliseconds(800)), first + second);
}

TEST(ReplyAssemblerTest, AWholeReplyDropsTheIncompleteSet) {
    ReplyAssembler assembler;
    assembler.Add(Part(R"(\hostname\Old)", "4.1"), kStart);
    EXPECT_EQ(assembler.Add(R"(\hostname\New)", kStart + milliseconds(100)), R"(\hostname\New)");
    EXPECT_FALSE(assembler.Waiting());
    EXPECT_EQ(assembler.Expire(kStart + milliseconds(5000)), std::nullopt);
}

TEST(ReplyAssemblerTest, ARepeatedPartReplacesTheEarlierOne) {
    ReplyAssembler assembler;
    assembler.Add(Part(R"(\hostname\Early)", "2.1"), kStart);
    const std::string first = Part(R"(\hostname\Late)", "2.1");
    const std::string second = Part(R"(\player_0\Ann)", "2.2", true);
    assembler.Add(first, kStart + milliseconds(10));
    EXPECT_EQ(assembler.Add(second, kStart + milliseconds(20)), first + second);
}

TEST(ReplyAssemblerTest, IgnoresPartsBeyondTheFinalOne) {
    ReplyAssembler assembler;
    const std::string first = Part(R"(\hostname\Alpha)", "6.1");
    const std::string second = Part(R"(\player_0\Ann)", "6.2", true);
    // Before the final part is known, and after.
    assembler.Add(Part(R"(\player_4\Eve)", "6.5"), kStart);
    assembler.Add(second, kStart);
    assembler.Add(Part(R"(\player_3\Dan)", "6.3"), kStart);
    EXPECT_EQ(assembler.Add(first, kStart), first + second);

    assembler.Add(second, kStart);
    assembler.Add(Part(R"(\player_3\Dan)", "6.3"), kStart);
    EXPECT_EQ(assembler.Expire(kStart + milliseconds(1000)), second);
}

TEST(ReplyAssemblerTest, AMalformedQueryIdMakesTheDatagramWhole) {
    const char* const ids[] = {"", "1", "1.", ".1", "1.0", "a.1", "1.x", "1.2.3", "-1.1"};
    for (const char* id : ids) {
        ReplyAssembler assembler;
        const std::string datagram = Part(R"(\hostname\Alpha)", id);
        EXPECT_EQ(assembler.Add(datagram, kStart), datagram) << id;
        EXPECT_FALSE(assembler.Waiting()) << id;
    }
    ReplyAssembler assembler;
    EXPECT_EQ(assembler.Add(Part(R"(\hostname\Alpha)", "1.64"), kStart), std::nullopt);
    EXPECT_TRUE(assembler.Waiting());
}

TEST(ReplyAssemblerTest, ASetBeyondSixtyFourPartsIsDroppedWhole) {
    for (const char* beyond : {"7.65", "7.100000000000"}) {
        ReplyAssembler assembler;
        assembler.Add(Part(R"(\hostname\Alpha)", "7.1"), kStart);
        EXPECT_EQ(assembler.Add(Part(R"(\player_0\Ann)", beyond), kStart), std::nullopt) << beyond;
        EXPECT_FALSE(assembler.Waiting()) << beyond;
        // Its other parts, the last one included, start nothing again.
        EXPECT_EQ(assembler.Add(Part(R"(\player_1\Bob\final\)", "7.2"), kStart), std::nullopt) << beyond;
        EXPECT_FALSE(assembler.Waiting()) << beyond;
        EXPECT_EQ(assembler.Expire(kStart + milliseconds(1000)), std::nullopt) << beyond;
    }
}

}  // namespace
}  // namespace vantorel
