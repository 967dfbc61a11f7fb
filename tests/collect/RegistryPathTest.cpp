#include <gtest/gtest.h>

#include "collect/RegistryPath.h"

namespace qeb {
namespace {

TEST(RegistryPathTest, SplitsIntoHiveSubKeyAndValue) {
    RegistryHive hive = RegistryHive::LocalMachine;
    std::string subKey;
    std::string value;
    ASSERT_TRUE(ParseRegistryPath("HKEY_USERS\\a\\\\b\\v", hive, subKey, value));
    EXPECT_EQ(hive, RegistryHive::Users);
    EXPECT_EQ(subKey, "a\\\\b");
    EXPECT_EQ(value, "v");
    ASSERT_TRUE(ParseRegistryPath("HKEY_CURRENT_CONFIG\\v", hive, subKey, value));
    EXPECT_EQ(hive, RegistryHive::CurrentConfig);
    EXPECT_EQ(subKey, "");
    EXPECT_EQ(value, "v");
}

TEST(RegistryPathTest, ProductDirectoryValueFollowsTheVersion) {
    EXPECT_EQ(ProductDirectoryValuePath(7),
              L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW7\\InstallDir");
    EXPECT_EQ(ProductDirectoryValuePath(8),
              L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW8\\DataDir");
    EXPECT_EQ(ProductDirectoryValuePath(-6),
              L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW-6\\InstallDir");
    EXPECT_EQ(ProductDirectoryValuePath(12),
              L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\QEBW12\\DataDir");
}

}  // namespace
}  // namespace qeb
