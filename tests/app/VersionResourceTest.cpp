#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/Scratch.h"

namespace qeb {
namespace {

std::wstring QueryString(const std::vector<BYTE>& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\041104B0\\" + name;
    if (!::VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return static_cast<const wchar_t*>(value);
}

TEST(VersionResourceTest, ExeCarriesTheProjectVersion) {
    const std::wstring exe = test::ModuleDirectory() + L"\\QebInfo.exe";
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));

    EXPECT_EQ(QueryString(block, L"FileVersion"), L"" QEB_EXPECTED_VERSION);
    EXPECT_EQ(QueryString(block, L"ProductVersion"), L"" QEB_EXPECTED_VERSION);
    EXPECT_EQ(QueryString(block, L"ProductName"), L"QebInfo");
    EXPECT_EQ(QueryString(block, L"CompanyName"), L"Velmora");
    EXPECT_EQ(QueryString(block, L"FileDescription"), L"QEB 情報収集ツール");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(QEB_EXPECTED_MINOR, QEB_EXPECTED_MAJOR));
}

}  // namespace
}  // namespace qeb
