// The option parser of the command base: every field comes from the last argument of its
// kind, values verbatim, lists split at every comma; and -product: accepts exactly an
// optional sign and decimal digits in the signed 32-bit range. A strict table over the same
// arguments accepts them exactly when every one after the command word is a declared option
// with a valid value, and otherwise names the first that is not.
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

std::optional<int> ExpectedInt(const std::wstring& text) {
    size_t i = (!text.empty() && (text[0] == L'+' || text[0] == L'-')) ? 1 : 0;
    if (i == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - L'0');
        if (value > 2147483648LL) {
            return std::nullopt;
        }
    }
    if (text[0] == L'-') {
        value = -value;
    }
    return value > 2147483647LL ? std::nullopt : std::optional<int>(static_cast<int>(value));
}

int ExpectedProduct(const std::wstring& text) {
    return ExpectedInt(text).value_or(0);
}

// The strict table's verdict and fields, worked out independently of the parser.
void CheckStrictTable(const Strings& arguments) {
    struct Fields {
        std::wstring dest;
        int days = -1;
        Strings ignore;
        int evtx = 0;
    } parsed, expected;
    const qeb::OptionVerdict verdict = qeb::OptionTable(qeb::OptionParsing::Strict)
                                           .Text(L"-dest:", parsed.dest)
                                           .Number(L"-days:", parsed.days, 0, 36500)
                                           .CommaList(L"-ignore:", parsed.ignore)
                                           .Flag(L"-evtx", parsed.evtx)
                                           .Requires(L"-ignore:", L"-evtx")
                                           .Parse(arguments);
    using Kind = qeb::OptionVerdict::Kind;
    Kind kind = Kind::Accepted;
    std::wstring name;
    const auto refuse = [&](Kind k, const std::wstring& n) {
        if (kind == Kind::Accepted) {
            kind = k;
            name = n;
        }
    };
    bool ignoreGiven = false;
    for (size_t i = 2; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (const auto value = After(argument, L"-dest:")) {
            expected.dest = *value;
        } else if (const auto value = After(argument, L"-days:")) {
            const std::optional<int> days = ExpectedInt(*value);
            const bool valid = days && *days >= 0 && *days <= 36500;
            expected.days = valid ? *days : 0;
            if (!valid) {
                refuse(Kind::InvalidValue, L"-days:");
            }
        } else if (const auto value = After(argument, L"-ignore:")) {
            expected.ignore = PiecesOf(*value);
            ignoreGiven = true;
        } else if (argument == L"-evtx") {
            expected.evtx = 1;
        } else {
            refuse(Kind::UnknownArgument, argument);
        }
    }
    if (ignoreGiven && expected.evtx == 0) {
        refuse(Kind::MissingOption, L"-evtx");
    }
    FUZZ_CHECK(verdict.kind == kind);
    FUZZ_CHECK(verdict.name == name);
    FUZZ_CHECK(parsed.dest == expected.dest);
    FUZZ_CHECK(parsed.days == expected.days);
    FUZZ_CHECK(parsed.ignore == expected.ignore);
    FUZZ_CHECK(parsed.evtx == expected.evtx);
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
    CheckStrictTable(arguments);
    return 0;
}
