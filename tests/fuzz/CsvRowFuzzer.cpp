// SplitCsvRow: plain text splits like a split on commas, and fields written with full
// quoting come back unchanged, whatever they hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "inventory/CsvRow.h"

namespace {

using Fields = std::vector<std::wstring>;

Fields SplitAt(const std::wstring& text, wchar_t separator) {
    Fields fields(1);
    for (const wchar_t c : text) {
        if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::wstring QuotedRow(const Fields& fields) {
    std::wstring row;
    for (size_t i = 0; i < fields.size(); ++i) {
        row += i == 0 ? L"\"" : L",\"";
        for (const wchar_t c : fields[i]) {
            row += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
        }
        row += L'"';
    }
    return row;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text(data, data + size);
    Fields fields;
    qeb::SplitCsvRow(text, fields);
    if (!text.empty() && text.find_first_of(L"\"\r\n") == std::wstring::npos) {
        FUZZ_CHECK(fields == SplitAt(text, L','));
    }

    // The same bytes read as fields separated by zero bytes, written with every field quoted.
    const Fields written = SplitAt(text, L'\0');
    qeb::SplitCsvRow(QuotedRow(written), fields);
    const bool singleEmptyField = written.size() == 1 && written[0].empty();
    FUZZ_CHECK(fields == (singleEmptyField ? Fields{} : written));
    return 0;
}
