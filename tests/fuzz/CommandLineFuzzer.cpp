// The option parser of the command base: every field comes from the last argument of its
// kind, values verbatim, lists split at every comma; and -product: accepts exactly an
// optional sign and decimal digits in the signed 32-bit range.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "commands/CommandBase.h"
#include "support/ParsedCommandLine.h"

namespace {

using Strings = std::vector<std::wstring>;

std::optional<std::wstring> After(const std::wstring& argument, const std::wstring& prefix) {
    if (argument.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    return argument.substr(prefix.size());
}

Strings PiecesOf(const std::wstring& text) {
    Strings pieces;
    if (text.empty()) {
        return pieces;
    }
    pieces.emplace_back();
    for (const wchar_t c : text) {
        if (c == L',') {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

int ExpectedProduct(const std::wstring& text) {
    size_t i = (!text.empty() && (text[0] == L'+' || text[0] == L'-')) ? 1 : 0;
    if (i == text.size()) {
        return 0;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return 0;
        }
        value = value * 10 + (text[i] - L'0');
        if (value > 2147483648LL) {
            return 0;
        }
    }
    if (text[0] == L'-') {
        value = -value;
    }
    return value > 2147483647LL ? 0 : static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Strings arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<wchar_t>(data[i]);
        }
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    const qeb::test::ParsedCommandLine line(argv);

    std::wstring dest;
    int product = 0;
    Strings instances;
    Strings ignore;
    int eventLog = 1;
    int vmViewer = 0;
    int help = 0;
    for (const std::wstring& argument : arguments) {
        if (const auto value = After(argument, L"-dest:")) {
            dest = *value;
        } else if (const auto value = After(argument, L"-product:")) {
            product = ExpectedProduct(*value);
            FUZZ_CHECK(qeb::ParseProductNumber(*value) == product);
        } else if (const auto value = After(argument, L"-instances:")) {
            instances = PiecesOf(*value);
        } else if (const auto value = After(argument, L"-ignore:")) {
            ignore = PiecesOf(*value);
        } else {
            eventLog = argument == L"-noeventlog" ? 0 : eventLog;
            vmViewer = argument == L"-vmviewer" ? 1 : vmViewer;
            help = argument == L"-?" ? 1 : help;
        }
    }
    FUZZ_CHECK(line.m_strDest == dest);
    FUZZ_CHECK(line.m_nProduct == product);
    FUZZ_CHECK(line.m_vecInstances == instances);
    FUZZ_CHECK(line.m_vecIgnore == ignore);
    FUZZ_CHECK(line.m_bEventLog == eventLog);
    FUZZ_CHECK(line.m_bVmViewer == vmViewer);
    FUZZ_CHECK(line.m_bHelp == help);
    return 0;
}
