#include "commands/PackProtection.h"

#include <windows.h>

#include "MessageCatalog.h"
#include "archive/MaskWords.h"
#include "archive/SystemMaskValues.h"
#include "commands/CommandResults.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr std::size_t kShortestPassword = 8;
constexpr int kTries = 3;
constexpr std::size_t kLongestPasswordLine = 1024;
// A map holds a line per value; a few megabytes are many collections' worth.
constexpr LONGLONG kLargestMap = 16 << 20;

ResultCode Refuse(PlainText why) {
    PrintLine(LoadText(why));
    return kPasswordNotGiven;
}

std::optional<Secret> AskOnConsole() {
    for (int attempt = 0; attempt < kTries; ++attempt) {
        std::optional<Secret> first = ReadHiddenLine(LoadText(msg::kPasswordPrompt));
        if (!first) {
            return std::nullopt;
        }
        if (first->Characters() < kShortestPassword) {
            PrintLine(LoadText(msg::kPasswordTooShort));
            continue;
        }
        const std::optional<Secret> again = ReadHiddenLine(LoadText(msg::kPasswordConfirm));
        if (again && again->Bytes() == first->Bytes()) {
            return first;
        }
        PrintLine(LoadText(msg::kPasswordMismatch));
    }
    return std::nullopt;
}

// The Win32 error, 0 when the whole file was read.
DWORD ReadSmallFile(const std::wstring& path, std::string& bytes) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size)) {
        return ::GetLastError();
    }
    if (size.QuadPart > kLargestMap) {
        return ERROR_FILE_TOO_LARGE;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return ::GetLastError();
    }
    bytes.resize(read);
    return ERROR_SUCCESS;
}

// The operator's words, one per line, whole words in every encoding.
ResultCode AddMaskWords(const std::wstring& path, MaskMap& mask) {
    if (path.empty()) {
        return kSuccess;
    }
    std::string bytes;
    if (const DWORD error = ReadSmallFile(path, bytes); error != ERROR_SUCCESS) {
        PrintLine(LoadMessage(msg::kMaskWordsUnreadable, path.c_str(),
                              TrimLineEnd(GetSystemErrorText(error)).c_str()));
        return HresultFromWin32(error);
    }
    std::vector<std::u16string> words;
    std::size_t badLine = 0;
    if (!ParseMaskWords(bytes, words, badLine)) {
        PrintLine(LoadMessage(msg::kMaskWordsBadLine, path.c_str(), static_cast<int>(badLine)));
        return kMaskMapInvalid;
    }
    for (const std::u16string& word : words) {
        mask.AddWord(MaskValueOf(std::wstring(word.begin(), word.end())));
    }
    return kSuccess;
}

}  // namespace

// A password that a file gives on standard input is read by its byte-order mark, and a NUL
// or a byte that its encoding does not take is refused: a password other than the one the
// operator wrote would make an archive that nobody can open.
ResultCode ReadArchivePassword(std::optional<Secret>& password) {
    if (InputIsConsole()) {
        password = AskOnConsole();
        return password ? kSuccess : Refuse(msg::kPasswordRefused);
    }
    InputLine line = ReadFirstInputLine(kLongestPasswordLine);
    if (line.state == InputLine::State::Undecodable) {
        return Refuse(msg::kPasswordUndecodable);
    }
    if (line.state == InputLine::State::Missing || line.text.Bytes().empty()) {
        return Refuse(msg::kPasswordMissing);
    }
    password = std::move(line.text);
    if (password->Characters() < kShortestPassword) {
        password.reset();
        return Refuse(msg::kPasswordTooShort);
    }
    return kSuccess;
}

ResultCode PrepareMaskMap(const MaskRequest& request, PackProtection& protection) {
    protection.mask.emplace();
    MaskMap& mask = *protection.mask;
    if (!request.earlierMap.empty()) {
        std::string text;
        if (const DWORD error = ReadSmallFile(request.earlierMap, text); error != ERROR_SUCCESS) {
            PrintLine(LoadMessage(msg::kMaskMapUnreadable, request.earlierMap.c_str(),
                                  TrimLineEnd(GetSystemErrorText(error)).c_str()));
            return HresultFromWin32(error);
        }
        std::size_t badLine = 0;
        if (!mask.Load(text, badLine)) {
            PrintLine(LoadMessage(msg::kMaskMapBadLine, request.earlierMap.c_str(),
                                  static_cast<int>(badLine)));
            return kMaskMapInvalid;
        }
    }
    if (const ResultCode refused = AddMaskWords(request.words, mask); refused != kSuccess) {
        return refused;
    }
    const SystemDomains system = AddSystemMaskValues(mask);
    protection.maskedDomains.clear();
    if (!system.dns.empty()) {
        protection.maskedDomains.push_back(system.dns);
    }
    for (const std::wstring& domain : request.domains) {
        const std::u16string name(domain.begin(), domain.end());
        mask.AddDomain(MaskValueOf(domain));
        protection.maskedDomains.push_back(name);
    }
    protection.flatDomains.clear();
    if (!system.flat.empty()) {
        protection.flatDomains.push_back(system.flat);
    }
    protection.keepBinary = request.keepBinary;
    return kSuccess;
}

}  // namespace qeb
