#include "support/FakeTool.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

#include "support/Scratch.h"

namespace qeb::test {
namespace {

const wchar_t* const kToolNames[] = {L"msinfo32.exe", L"systeminfo.exe", L"wevtutil.exe",
                                     L"icacls.exe"};
const wchar_t kOriginalSuffix[] = L".qeb-original";

std::wstring SystemDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
    return std::wstring(buffer, length);
}

void CopyOrThrow(const std::wstring& from, const std::wstring& to) {
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy the fake tool: " + std::to_string(::GetLastError()));
    }
}

bool RunsUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

void RequireNativeLoadOrderUnderWine() {
    wchar_t overrides[1024] = {};
    ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    if (RunsUnderWine() && std::wstring(overrides).find(L"msinfo32.exe") == std::wstring::npos) {
        throw std::runtime_error("WINEDLLOVERRIDES must load the faked tools natively");
    }
}

std::optional<std::wstring> OptionalValue(const std::wstring& value) {
    return value.empty() ? std::nullopt : std::optional<std::wstring>(value);
}

}  // namespace

std::wstring FakeToolPath() {
    return ModuleDirectory() + L"\\fake_tool.exe";
}

std::vector<std::wstring> RecordedCommandLines(const std::wstring& toolPath) {
    const std::string bytes = ReadBytes(toolPath + L".cmdline");
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string RecordedStartup(const std::wstring& toolPath) {
    return ReadBytes(toolPath + L".startup");
}

std::string RecordedPriority(const std::wstring& toolPath) {
    return ReadBytes(toolPath + L".priority");
}

std::vector<unsigned long> ToolTree(const std::wstring& idFile) {
    std::vector<unsigned long> ids;
    for (int i = 0; i < 1000 && ids.size() < 2; ++i) {
        ids.clear();
        std::istringstream in(::GetFileAttributesW(idFile.c_str()) != INVALID_FILE_ATTRIBUTES
                                  ? ReadBytes(idFile)
                                  : std::string());
        for (unsigned long id = 0; in >> id;) {
            ids.push_back(id);
        }
        if (ids.size() < 2) {
            ::Sleep(20);
        }
    }
    return ids;
}

bool AnyRunning(const std::vector<unsigned long>& ids) {
    for (int i = 0; i < 500; ++i) {
        bool running = false;
        for (const unsigned long id : ids) {
            running = running || IsProcessRunning(id);
        }
        if (!running) {
            return false;
        }
        ::Sleep(20);
    }
    return true;
}

void ForgetRuns(const std::wstring& toolPath) {
    for (const wchar_t* record : {L".cmdline", L".startup", L".priority"}) {
        ::DeleteFileW((toolPath + record).c_str());
    }
}

void PlantFakeTool(const std::wstring& toolPath) {
    CopyOrThrow(FakeToolPath(), toolPath);
    ForgetRuns(toolPath);
}

FakeSystemTools::FakeSystemTools() : m_systemDirectory(SystemDirectory()) {
    RequireNativeLoadOrderUnderWine();
    for (const wchar_t* name : kToolNames) {
        const std::wstring path = PathOf(name);
        // A backup left by an interrupted run is the original; keep it.
        ::CopyFileW(path.c_str(), (path + kOriginalSuffix).c_str(), TRUE);
        PlantFakeTool(path);
    }
}

FakeSystemTools::~FakeSystemTools() {
    for (const wchar_t* name : kToolNames) {
        const std::wstring path = PathOf(name);
        ForgetRuns(path);
        const std::wstring original = path + kOriginalSuffix;
        if (::CopyFileW(original.c_str(), path.c_str(), FALSE)) {
            ::DeleteFileW(original.c_str());
        }
    }
}

std::wstring FakeSystemTools::PathOf(const std::wstring& toolName) const {
    return m_systemDirectory + L"\\" + toolName;
}

std::vector<std::wstring> FakeSystemTools::CommandLinesOf(const std::wstring& toolName) const {
    return RecordedCommandLines(PathOf(toolName));
}

ProcessOptions FakeSystemTools::Options(const std::wstring& exitRule, const std::wstring& sleepMs) {
    ProcessOptions options;
    options.environment[L"QEB_FAKE_EXIT"] = OptionalValue(exitRule);
    options.environment[L"QEB_FAKE_SLEEP_MS"] = OptionalValue(sleepMs);
    return options;
}

}  // namespace qeb::test
