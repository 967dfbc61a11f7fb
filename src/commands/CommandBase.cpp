#include "commands/CommandBase.h"

#include <boost/algorithm/string/erase.hpp>
#include <boost/lexical_cast.hpp>
#include <boost/tokenizer.hpp>

namespace qeb {
namespace {

const std::wstring kDestPrefix = L"-dest:";
const std::wstring kProductPrefix = L"-product:";
const std::wstring kInstancesPrefix = L"-instances:";
const std::wstring kIgnorePrefix = L"-ignore:";
const std::wstring kLogPrefix = L"-log:";
const std::wstring kMaskMapPrefix = L"-maskmap:";

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

CCommandBase::CCommandBase(int argc, const wchar_t* const* argv) {
    for (int i = 0; i < argc; ++i) {
        ParseArgument(argv[i] != nullptr ? argv[i] : L"");
    }
}

CCommandBase::~CCommandBase() = default;

ResultCode CCommandBase::Execute() {
    return kSuccess;
}

ResultCode CCommandBase::Usage() {
    return kSuccess;
}

void CCommandBase::ParseArgument(const std::wstring& argument) {
    if (StartsWith(argument, kDestPrefix)) {
        m_strDest = boost::algorithm::erase_first_copy(argument, kDestPrefix);
    } else if (StartsWith(argument, kProductPrefix)) {
        m_nProduct = ParseProductNumber(argument.substr(kProductPrefix.size()));
    } else if (StartsWith(argument, kInstancesPrefix)) {
        m_vecInstances.clear();
        SplitCommaList(argument, kInstancesPrefix, m_vecInstances);
    } else if (StartsWith(argument, kIgnorePrefix)) {
        m_vecIgnore.clear();
        SplitCommaList(argument, kIgnorePrefix, m_vecIgnore);
    } else if (StartsWith(argument, kLogPrefix)) {
        m_strLog = argument.substr(kLogPrefix.size());
    } else if (StartsWith(argument, kMaskMapPrefix)) {
        m_strMaskMap = argument.substr(kMaskMapPrefix.size());
    } else if (argument == L"-encrypt") {
        m_bEncrypt = 1;
    } else if (argument == L"-mask") {
        m_bMask = 1;
    } else if (argument == L"-noeventlog") {
        m_bEventLog = 0;
    } else if (argument == L"-vmviewer") {
        m_bVmViewer = 1;
    } else if (argument == L"-?") {
        m_bHelp = 1;
    }
}

void SplitCommaList(const std::wstring& argument, const std::wstring& prefix,
                    std::vector<std::wstring>& list) {
    const std::wstring text = boost::algorithm::erase_first_copy(argument, prefix);
    if (text.empty()) {
        return;
    }
    const boost::char_separator<wchar_t> commas(L",", L"", boost::keep_empty_tokens);
    const boost::tokenizer<boost::char_separator<wchar_t>, std::wstring::const_iterator,
                           std::wstring>
        pieces(text, commas);
    list.insert(list.end(), pieces.begin(), pieces.end());
}

int ParseProductNumber(const std::wstring& text) {
    try {
        return boost::lexical_cast<int>(text);
    } catch (const boost::bad_lexical_cast&) {
        return 0;
    }
}

}  // namespace qeb
