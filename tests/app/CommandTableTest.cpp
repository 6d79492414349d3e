#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {
// What a new row could get wrong without any other test noticing.
TEST(CommandTable, NamesAndKeysAreUniqueAndStoredOptionsFillTheirLines) {
    std::set<std::string> names;
    std::set<int> keys;
    std::set<int> lines;
    size_t stored = 0;
    for (const TCommand& command : CommandTable()) {
        if (command.Name) {
            EXPECT_TRUE(names.insert(command.Name).second) << command.Name;
            EXPECT_TRUE(command.Caption && *command.Caption) << command.Name;
        } else {
            // Keys without an action have nothing to show or store.
            EXPECT_EQ(command.Menu, TMenuSection::msNone);
            EXPECT_FALSE(command.Option.Checkable);
        }
        for (const TCommandKey& key : command.Keys)
            EXPECT_TRUE(keys.insert(key.Key.toCombined()).second)
                << (command.Name ? command.Name : "") << " " << key.Key.toCombined();
        if (command.Option.SettingsKey) {
            EXPECT_TRUE(command.Option.Checkable) << command.Option.SettingsKey;
            lines.insert(command.Option.SettingsLine);
            ++stored;
        }
    }
    EXPECT_EQ(lines.size(), stored);
    EXPECT_TRUE(lines.empty() || (*lines.begin() == 0 && *lines.rbegin() == int(stored) - 1));
}
} // namespace
