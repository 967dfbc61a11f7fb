#include <windows.h>

#include <gtest/gtest.h>

#include "collect/RegistryLookup.h"
#include "util/Messages.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

const wchar_t kTestKey[] = L"SOFTWARE\\QebInfoTests\\Registry";
const std::wstring kTestPath = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QebInfoTests\\Registry\\";

class RegistryLookupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, m_key.Receive(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        m_key.Reset();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QebInfoTests");
    }

    void SetBytes(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(
            ::RegSetValueExW(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
    }
    void SetString(const wchar_t* name, const std::wstring& text) {
        SetBytes(name, REG_SZ, text.c_str(),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    UniqueRegistryKey m_key;
};

TEST_F(RegistryLookupTest, ReadsAValueAsWideText) {
    SetString(L"DataDir", L"C:\\製品\\QEB");
    RegistryError error;
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"DataDir"), L"C:\\製品\\QEB");
    EXPECT_EQ(error.code, 0);
}

TEST_F(RegistryLookupTest, UnparsablePathsGiveMinusOne) {
    for (const wchar_t* path : {L"hkey_local_machine\\SOFTWARE\\x", L"HKLM\\SOFTWARE\\x",
                                L"HKEY_LOCAL_MACHINE", L"", L"\\SOFTWARE\\x"}) {
        RegistryError error;
        EXPECT_EQ(GetRegistryValue(error, path), L"") << path;
        EXPECT_EQ(error.code, -1) << path;
        EXPECT_EQ(error.text, L"レジストリパスの指定が不正です。");
    }
}

TEST_F(RegistryLookupTest, TwoPiecesReadAValueDirectlyUnderTheHive) {
    UniqueRegistryKey root;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, root.Receive()),
              ERROR_SUCCESS);
    const wchar_t text[] = L"top";
    ASSERT_EQ(::RegSetValueExW(root.Get(), L"QebInfoTestValue", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text), sizeof(text)),
              ERROR_SUCCESS);
    RegistryError error;
    EXPECT_EQ(GetRegistryValue(error, L"HKEY_CURRENT_USER\\QebInfoTestValue"), L"top");
    ::RegDeleteValueW(root.Get(), L"QebInfoTestValue");
}

TEST_F(RegistryLookupTest, TrailingBackslashReadsTheDefaultValue) {
    SetString(nullptr, L"default");
    RegistryError error;
    EXPECT_EQ(GetRegistryValue(error, kTestPath), L"default");
}

TEST_F(RegistryLookupTest, MissingKeyRecordsTheOpenError) {
    RegistryError error;
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"Missing\\Value"), L"");
    EXPECT_EQ(error.code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.text, GetSystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(error.text.empty());
}

TEST_F(RegistryLookupTest, MissingValueLeavesTheRecordUnchanged) {
    RegistryError error{42, L"before"};
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"NoSuchValue"), L"");
    EXPECT_EQ(error.code, 42);
    EXPECT_EQ(error.text, L"before");
}

TEST_F(RegistryLookupTest, DataWithoutTerminatorIsReadWhole) {
    SetBytes(L"Raw", REG_BINARY, "abc", 3);
    SetBytes(L"Unterminated", REG_SZ, L"xyz", 3 * sizeof(wchar_t));
    RegistryError error;
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"Raw"), L"abc");
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"Unterminated"), L"xyz");
    SetBytes(L"Stops", REG_BINARY, "ab\0cd", 5);
    EXPECT_EQ(GetRegistryValue(error, kTestPath + L"Stops"), L"ab");
}

}  // namespace
}  // namespace qeb
