// Several masters' lists as one.

#include <gtest/gtest.h>

#include "browse/list_merge.h"

namespace vantorel::browse {
namespace {

ListedServer Server(std::uint32_t ip, std::uint16_t port, std::string values = {}) {
    auto table = std::make_shared<FieldTable>();
    table->keys.push_back({FieldTable::KeyType::kText, "hostname"});
    return {{ip, port}, values.empty() ? ListedFields() : ListedFields(table, "\xFF" + values + '\0', true)};
}

TEST(ListMerge, OneEntryPerAddressWithItsMastersAndFirstFields) {
    MasterList first;
    std::string why;
    first.Add(Server(0x0A000001, 23000), &why);
    first.Add(Server(0x0A000001, 23000), &why);  // listed twice by one master
    first.Add(Server(0x0A000001, 23001), &why);
    first.Add(Server(0x00000000, 23000), &why);  // no server can be there
    first.Add(Server(0x0A000003, 0), &why);
    first.MarkComplete();
    MasterList second;
    second.Add(Server(0x0A000001, 23001, "Named"), &why);
    second.Add(Server(0x0A000002, 23000, "Second"), &why);
    second.Add(Server(0xFFFFFFFF, 23000), &why);
    second.SetFault({MasterFault::Kind::kTimedOut, {}});
    MasterList third;
    third.SetFault({MasterFault::Kind::kUnreachable, "refused"});

    ListMerge merge;
    merge.Add("a:28910", first);
    merge.Add("b:28900", second);
    merge.Add("c:28900", third);
    ASSERT_EQ(merge.Entries().size(), 3u);
    EXPECT_EQ(merge.Entries()[0].address.Text(), "10.0.0.1:23000");
    EXPECT_EQ(merge.Entries()[0].masters, (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(merge.Entries()[1].address.Text(), "10.0.0.1:23001");
    EXPECT_EQ(merge.Entries()[1].masters, (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(merge.Entries()[1].fields.Decode()[0].second, "Named");
    EXPECT_EQ(merge.Entries()[2].address.Text(), "10.0.0.2:23000");
    EXPECT_EQ(merge.Unusable(), 3u);
    EXPECT_FALSE(merge.AllWhole());
    ASSERT_EQ(merge.Failures().size(), 2u);
    EXPECT_EQ(merge.Failures()[0].master, "b:28900");
    EXPECT_EQ(merge.Failures()[0].fault.Reason(), "timed out");
    EXPECT_EQ(merge.Failures()[0].kept, 3u);
    EXPECT_EQ(merge.Failures()[1].fault.Reason(), "refused");
}

}  // namespace
}  // namespace vantorel::browse
