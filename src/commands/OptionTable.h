// The options that a command declares, each bound to the field it fills, and the parsing of
// an argument vector against them.
//
// Lenient parsing keeps the four original commands' rules: every argument from index 0 on is
// tested against the options in declaration order (a value option by its prefix at position
// 0, a flag by equality, case-sensitive), the first match wins, and what matches nothing is
// ignored. Strict parsing, for the commands added later, looks only after the command word
// and refuses the first argument that is no declared option, a number that is not one, and a
// missing option that another one needs.
#pragma once

#include <limits>
#include <string>
#include <variant>
#include <vector>

namespace qeb {

enum class OptionParsing { Lenient, Strict };

// The first reason why a command line is not accepted.
struct OptionVerdict {
    enum class Kind {
        Accepted,
        UnknownArgument,  // `name` is the argument as given (strict only)
        InvalidValue,     // `name` is the option, e.g. "-days:"
        MissingOption,    // `name` is the option that another one given needs
    };
    Kind kind = Kind::Accepted;
    std::wstring name;
    OptionParsing parsing = OptionParsing::Lenient;

    bool Accepted() const { return kind == Kind::Accepted; }
};

class OptionTable {
public:
    explicit OptionTable(OptionParsing parsing) : m_parsing(parsing) {}

    // Exactly `name` sets the field to `value`.
    OptionTable& Flag(const wchar_t* name, int& field, int value = 1);
    // `name` ends in ':'; the rest of the argument, verbatim.
    OptionTable& Text(const wchar_t* name, std::wstring& field);
    // An optional sign and decimal digits within [minimum, maximum]. A value that is none
    // sets the field to 0; lenient parsing reports it only when no later occurrence mends it.
    OptionTable& Number(const wchar_t* name, int& field,
                        int minimum = std::numeric_limits<int>::min(),
                        int maximum = std::numeric_limits<int>::max());
    // The rest split at every comma, empty pieces kept; replaces what an earlier one built.
    OptionTable& CommaList(const wchar_t* name, std::vector<std::wstring>& field);
    // When `option` is given, `needed` must be given as well.
    OptionTable& Requires(const wchar_t* option, const wchar_t* needed);

    // `arguments` is the whole vector, program path and command word included. Fields are
    // filled as far as the arguments go, also when the verdict is a refusal.
    OptionVerdict Parse(const std::vector<std::wstring>& arguments) const;

private:
    struct NumberField {
        int* field;
        int minimum;
        int maximum;
    };
    struct FlagField {
        int* field;
        int value;
    };
    struct Option {
        std::wstring name;
        std::variant<FlagField, std::wstring*, NumberField, std::vector<std::wstring>*> target;
    };
    struct Requirement {
        std::wstring option;
        std::wstring needed;
    };

    const Option* Match(const std::wstring& argument) const;
    OptionTable& Add(const wchar_t* name, decltype(Option::target) target);
    // False for a number that is none or out of its range.
    static bool Apply(const Option& option, const std::wstring& argument);

    OptionParsing m_parsing;
    std::vector<Option> m_options;
    std::vector<Requirement> m_requirements;
};

// Appends the comma-separated pieces of the text after `prefix` to `list`, empty pieces
// included; an empty text appends nothing.
void SplitCommaList(const std::wstring& argument, const std::wstring& prefix,
                    std::vector<std::wstring>& list);

// An optional sign and decimal digits within the signed 32-bit range; anything else gives 0.
int ParseProductNumber(const std::wstring& text);

}  // namespace qeb
