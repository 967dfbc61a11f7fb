// The pass over a member before anything is masked: whether and how it is text, the values
// that its reports name in their own fields, and the addresses in it that have a stand-in's
// form, which must get stand-ins of their own before any stand-in is handed out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "archive/ReportFields.h"
#include "archive/TextMasking.h"
#include "text/TextClassifier.h"

namespace qeb {

class ITextDecoder;

struct StandInForm {
    MaskKind kind;
    std::u16string text;
};

class MemberSurvey {
public:
    // `codePage932` reads lines that are no UTF-8; without it they are not learned from.
    // `size` is the member's size, so that a member that is binary beyond doubt is read no
    // further.
    MemberSurvey(const ITextDecoder* codePage932, std::uint64_t size);
    // False once the rest of the member would change nothing.
    bool Feed(const char* data, std::size_t size);
    TextForm Finish(std::vector<LearnedValue>& learned, std::vector<StandInForm>& forms);

private:
    enum class Layout { Unknown, Bytes, Utf16, Utf16BigEndian };
    void Decide(const char* data, std::size_t size);
    void EndLine();

    const ITextDecoder* m_decoder;
    std::uint64_t m_size;
    bool m_binary = false;
    TextClassifier m_classifier;
    ReportFieldLearner m_learner;
    Layout m_layout = Layout::Unknown;
    std::string m_line;  // bytes of the line so far, at most kMaxLine
    bool m_oddByte = false;
    char m_carry = 0;
    std::vector<LearnedValue> m_learned;
    std::set<std::tuple<int, std::u16string, std::u16string>> m_known;
    std::vector<StandInForm> m_forms;
};

// The addresses of `line` that have a stand-in's form: 10.0.0.0/8, fd00::/16 and MAC
// addresses that begin 02-00.
void FindStandInForms(const std::u16string& line, std::vector<StandInForm>& forms);

}  // namespace qeb
