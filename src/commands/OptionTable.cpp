#include "commands/OptionTable.h"

#include <optional>

#include <boost/algorithm/string/erase.hpp>
#include <boost/lexical_cast.hpp>
#include <boost/tokenizer.hpp>

namespace qeb {
namespace {

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool TakesValue(const std::wstring& name) {
    return !name.empty() && name.back() == L':';
}

std::optional<int> ParseDecimal(const std::wstring& text) {
    try {
        return boost::lexical_cast<int>(text);
    } catch (const boost::bad_lexical_cast&) {
        return std::nullopt;
    }
}

template <typename... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <typename... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

}  // namespace

OptionTable& OptionTable::Flag(const wchar_t* name, int& field, int value) {
    return Add(name, FlagField{&field, value});
}

OptionTable& OptionTable::Text(const wchar_t* name, std::wstring& field) {
    return Add(name, &field);
}

OptionTable& OptionTable::Number(const wchar_t* name, int& field, int minimum, int maximum) {
    return Add(name, NumberField{&field, minimum, maximum});
}

OptionTable& OptionTable::CommaList(const wchar_t* name, std::vector<std::wstring>& field) {
    return Add(name, &field);
}

OptionTable& OptionTable::Requires(const wchar_t* option, const wchar_t* needed) {
    m_requirements.push_back(Requirement{option, needed});
    return *this;
}

OptionTable& OptionTable::Add(const wchar_t* name, decltype(Option::target) target) {
    m_options.push_back(Option{name, target});
    return *this;
}

const OptionTable::Option* OptionTable::Match(const std::wstring& argument) const {
    for (const Option& option : m_options) {
        if (TakesValue(option.name) ? StartsWith(argument, option.name) : argument == option.name) {
            return &option;
        }
    }
    return nullptr;
}

bool OptionTable::Apply(const Option& option, const std::wstring& argument) {
    const std::wstring rest =
        TakesValue(option.name) ? argument.substr(option.name.size()) : std::wstring();
    return std::visit(Overloaded{
                          [](const FlagField& flag) {
                              *flag.field = flag.value;
                              return true;
                          },
                          [&rest](std::wstring* text) {
                              *text = rest;
                              return true;
                          },
                          [&rest](const NumberField& number) {
                              const std::optional<int> value = ParseDecimal(rest);
                              const bool valid =
                                  value && *value >= number.minimum && *value <= number.maximum;
                              *number.field = valid ? *value : 0;
                              return valid;
                          },
                          [&](std::vector<std::wstring>* list) {
                              list->clear();
                              SplitCommaList(argument, option.name, *list);
                              return true;
                          },
                      },
                      option.target);
}

OptionVerdict OptionTable::Parse(const std::vector<std::wstring>& arguments) const {
    const bool strict = m_parsing == OptionParsing::Strict;
    OptionVerdict verdict;
    verdict.parsing = m_parsing;
    const auto refuse = [&verdict](OptionVerdict::Kind kind, const std::wstring& name) {
        if (verdict.Accepted()) {
            verdict.kind = kind;
            verdict.name = name;
        }
    };
    std::vector<bool> given(m_options.size(), false);
    std::vector<bool> invalid(m_options.size(), false);
    // Strict parsing starts after the program path and the command word.
    for (size_t i = strict ? 2 : 0; i < arguments.size(); ++i) {
        const Option* option = Match(arguments[i]);
        if (option == nullptr) {
            if (strict) {
                refuse(OptionVerdict::Kind::UnknownArgument, arguments[i]);
            }
            continue;
        }
        const size_t index = static_cast<size_t>(option - m_options.data());
        given[index] = true;
        invalid[index] = !Apply(*option, arguments[i]);
        if (invalid[index] && strict) {
            refuse(OptionVerdict::Kind::InvalidValue, option->name);
        }
    }
    for (size_t index = 0; index < m_options.size(); ++index) {
        if (invalid[index]) {
            refuse(OptionVerdict::Kind::InvalidValue, m_options[index].name);
        }
    }
    for (const Requirement& requirement : m_requirements) {
        const Option* option = Match(requirement.option);
        const Option* needed = Match(requirement.needed);
        if (option != nullptr && given[static_cast<size_t>(option - m_options.data())] &&
            (needed == nullptr || !given[static_cast<size_t>(needed - m_options.data())])) {
            refuse(OptionVerdict::Kind::MissingOption, requirement.needed);
        }
    }
    return verdict;
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
    return ParseDecimal(text).value_or(0);
}

}  // namespace qeb
