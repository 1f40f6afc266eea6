#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/TList.h"

namespace gb {
namespace {

struct Entry {
    int key;
    std::string tag;
    int compare(const Entry* other) const { return key - other->key; }
};

std::vector<std::string> tags(TList<Entry>& list) {
    std::vector<std::string> out;
    for (auto link = list.firstLink(); link != nullptr; link = link->nextLink()) {
        out.push_back(link->value()->tag);
    }
    return out;
}

TEST(List, DescendingSortIsStable) {
    TList<Entry> list;
    const int keys[] = {3, 5, 3, 9, 5, 1, 3};
    for (int i = 0; i < 7; ++i) {
        list.addLast(
            std::make_shared<Entry>(Entry{keys[i], std::string(1, static_cast<char>('a' + i))}));
    }
    list.sort(0);
    EXPECT_EQ(tags(list), (std::vector<std::string>{"d", "b", "e", "a", "c", "g", "f"}));
    list.sort(1);
    EXPECT_EQ(tags(list), (std::vector<std::string>{"f", "a", "c", "g", "b", "e", "d"}));
}

TEST(List, SortHandlesEmptyAndSingleLists) {
    TList<Entry> list;
    list.sort(0);
    EXPECT_EQ(list.firstLink(), nullptr);
    EXPECT_EQ(list.count(), 0);
    list.addLast(std::make_shared<Entry>(Entry{1, "x"}));
    list.sort(0);
    EXPECT_EQ(tags(list), std::vector<std::string>{"x"});
}

TEST(List, RemovingTheCurrentElementDuringEnumerationVisitsEveryOtherOnce) {
    struct Particle {};
    TList<Particle> list;
    std::vector<std::shared_ptr<Particle>> all;
    for (int i = 0; i < 6; ++i) {
        all.push_back(std::make_shared<Particle>());
        list.addLast(all.back());
    }
    std::vector<Particle*> visited;
    for (auto particle : list) {
        visited.push_back(particle.get());
        if (visited.size() % 2 == 1) {
            EXPECT_TRUE(list.remove(particle));
        }
    }
    ASSERT_EQ(visited.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(visited[i], all[i].get());
    }
    EXPECT_EQ(list.count(), 3);
}

TEST(List, RemoveUsesCompareAndTakesOnlyTheFirstMatch) {
    TList<Entry> list;
    list.addLast(std::make_shared<Entry>(Entry{1, "a"}));
    list.addLast(std::make_shared<Entry>(Entry{2, "b"}));
    list.addLast(std::make_shared<Entry>(Entry{2, "c"}));
    EXPECT_TRUE(list.remove(std::make_shared<Entry>(Entry{2, "other"})));
    EXPECT_EQ(tags(list), (std::vector<std::string>{"a", "c"}));
    EXPECT_FALSE(list.remove(std::make_shared<Entry>(Entry{7, "none"})));
    list.removeLast();
    EXPECT_EQ(tags(list), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace gb
